// Copies the music from the program's ring buffer (in its shared memory)
// to the page's output, and counts the sample frames it has handed over
// in the ring's `played` counter, which the program reads as the music's
// position (platform/web/web_audio_device.cpp). An empty ring plays silence.
class GlassRingPlayer extends AudioWorkletProcessor {
  constructor(options) {
    super();
    const { memory, played, written, samples, frames } = options.processorOptions;
    this.counters = new Int32Array(memory);
    this.playedIndex = played >> 2;
    this.writtenIndex = written >> 2;
    this.samples = new Int16Array(memory, samples, frames * 2);
    this.frames = frames;
  }

  process(inputs, outputs) {
    const [left, right] = outputs[0];
    const played = Atomics.load(this.counters, this.playedIndex) >>> 0;
    const written = Atomics.load(this.counters, this.writtenIndex) >>> 0;
    const count = Math.min(left.length, (written - played) >>> 0);
    for (let i = 0; i < count; i += 1) {
      const at = ((played + i) % this.frames) * 2;
      left[i] = this.samples[at] / 32768;
      if (right) right[i] = this.samples[at + 1] / 32768;
    }
    left.fill(0, count);
    if (right) right.fill(0, count);
    Atomics.store(this.counters, this.playedIndex, (played + count) | 0);
    return true;
  }
}

registerProcessor('glass-ring-player', GlassRingPlayer);
