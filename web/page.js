// The page around GLASS ORCHARD's browser build: it turns the query string
// into the program's options, picks the build the page can run (threads
// need a cross-origin isolated page), starts the program after a click or
// a key (browsers allow sound only then), shows its frames on the canvas,
// queues keys for it and shows its message boxes, messages and result.
'use strict';

(function () {
  const canvas = document.getElementById('picture');
  const context = canvas.getContext('2d');
  const card = document.getElementById('card');
  const play = document.getElementById('play');
  const box = document.getElementById('box');
  const ended = document.getElementById('ended');
  const messages = document.getElementById('messages');
  const result = document.getElementById('result');

  // ?render-scale=2&loop -> --render-scale 2 --loop, in the given order.
  function queryArguments(search) {
    const args = [];
    for (const [name, value] of new URLSearchParams(search)) {
      args.push('--' + name);
      if (value !== '') args.push(value);
    }
    return args;
  }

  const args = queryArguments(location.search);
  // Offline modes need no click: they make no sound.
  const offline = args.includes('--frame-hash') || args.includes('--bench') || args.includes('--help') ||
                  args.includes('--version');
  const threads = self.crossOriginIsolated === true;
  const build = threads ? 'glass-orchard' : 'glass-orchard-single';

  // Key events for the program: (1 down, 2 up) << 16 | Windows virtual-key
  // code, or 3 << 16 | a player action (0 pause, 1 mute).
  const kDown = 1, kUp = 2, kPlayer = 3;
  const keys = [];
  let started = false;
  let frames = 0;
  let resizes = 0;

  function appendLine(element, text) {
    element.textContent += text + '\n';
  }

  function fitPicture() {
    const ratio = window.devicePixelRatio || 1;
    const roomWidth = window.innerWidth * ratio, roomHeight = window.innerHeight * ratio;
    const fit = Math.min(roomWidth / canvas.width, roomHeight / canvas.height);
    // Whole multiples, pixel for pixel, where they fit; smooth scaling otherwise.
    const scale = fit >= 1 ? Math.floor(fit) : fit;
    canvas.classList.toggle('whole', fit >= 1);
    canvas.style.width = (canvas.width * scale / ratio) + 'px';
    canvas.style.height = (canvas.height * scale / ratio) + 'px';
  }

  function toggleFullscreen() {
    if (document.fullscreenElement) {
      document.exitFullscreen().catch(() => {});
    } else if (document.documentElement.requestFullscreen) {
      document.documentElement.requestFullscreen().catch(() => {});
    }
  }

  function savePicture() {
    canvas.toBlob((blob) => {
      if (!blob) return;
      const link = document.createElement('a');
      const stamp = new Date().toISOString().replace(/[-:]/g, '').replace('T', '-').slice(0, 15);
      link.download = 'glass-orchard-' + stamp + '.png';
      link.href = URL.createObjectURL(blob);
      link.click();
      setTimeout(() => URL.revokeObjectURL(link.href), 10000);
    }, 'image/png');
  }

  // The page's audio output, opened on the gesture that starts the program
  // and fed by the worklet of audio-worklet.js (threaded build only).
  const audio = {
    context: null,
    node: null,
    prepare() {
      if (offline || !window.AudioContext) return Promise.resolve();
      try {
        this.context = new AudioContext({ sampleRate: 44100, latencyHint: 'interactive' });
      } catch (error) {
        return Promise.resolve();
      }
      // Without threads there is no shared memory for the worklet: the
      // program queues buffers itself (openQueue).
      if (!threads || !window.AudioWorkletNode) return this.context.resume().catch(() => { this.context = null; });
      return this.context.audioWorklet.addModule('audio-worklet.js')
        .then(() => this.context.resume())
        .catch(() => { this.context = null; });
    },
    // 1 when the ring now plays, 0 when the page has no running output.
    open(memory, played, written, samples, frames, rate) {
      const context = this.context;
      if (!context || context.state !== 'running' || context.sampleRate !== rate) return 0;
      this.node = new AudioWorkletNode(context, 'glass-ring-player', {
        numberOfInputs: 0, outputChannelCount: [2],
        processorOptions: { memory, played, written, samples, frames },
      });
      this.node.connect(context.destination);
      this.counters = new Int32Array(memory);
      this.playedIndex = played >> 2;
      return 1;
    },
    // Sample frames handed to the output so far (0 without an output).
    playedFrames() {
      if (this.node) return Atomics.load(this.counters, this.playedIndex) >>> 0;
      return this.queuing ? this.playedQueued - this.queuedFrames() : 0;
    },
    // The one-thread build: buffers scheduled back to back.
    openQueue(rate) {
      const context = this.context;
      if (!context || context.state !== 'running' || context.sampleRate !== rate) return 0;
      this.queueEnd = 0;
      this.queuing = true;
      this.playedQueued = 0;
      return 1;
    },
    queuedFrames() {
      const context = this.context;
      if (!context) return 0;
      return Math.max(0, Math.round((this.queueEnd - context.currentTime) * context.sampleRate));
    },
    queue(pointer, frames) {
      const context = this.context;
      const samples = new Int16Array(wasmMemory.buffer, pointer, frames * 2);
      const buffer = context.createBuffer(2, frames, context.sampleRate);
      const left = buffer.getChannelData(0), right = buffer.getChannelData(1);
      for (let i = 0; i < frames; i += 1) {
        left[i] = samples[i * 2] / 32768;
        right[i] = samples[i * 2 + 1] / 32768;
      }
      const source = context.createBufferSource();
      source.buffer = buffer;
      source.connect(context.destination);
      // Back to back; after a stall, from now.
      const at = Math.max(this.queueEnd, context.currentTime);
      source.start(at);
      this.queueEnd = at + frames / context.sampleRate;
      this.playedQueued += frames;
    },
    pause(paused) {
      if (this.context) (paused ? this.context.suspend() : this.context.resume()).catch(() => {});
    },
    close() {
      if (this.node) this.node.disconnect();
      this.node = null;
      this.queuing = false;
    },
    // Seconds between a sample leaving the worklet and being heard.
    latency() {
      const context = this.context;
      return context ? (context.baseLatency || 0) + (context.outputLatency || 0) : 0;
    },
  };

  function start() {
    if (started || !window.Module || !Module.calledRun) return;
    started = true;
    card.hidden = true;
    audio.prepare().then(() => Module.callMain(args));
  }

  // What the program calls (platform/web/page_bridge.cpp).
  const page = {
    showPicture(bytes, width, height) {
      if (canvas.width !== width || canvas.height !== height) {
        canvas.width = width;
        canvas.height = height;
        fitPicture();
      }
      context.putImageData(new ImageData(bytes, width, height), 0, 0);
      frames += 1;
    },
    takeKeyEvent() {
      return keys.length > 0 ? keys.shift() : 0;
    },
    setTitle(title) {
      document.title = title;
    },
    showMessageBox(caption, text) {
      document.getElementById('box-caption').textContent = caption;
      document.getElementById('box-text').textContent = text;
      box.hidden = false;
    },
    setPointerVisible(visible) {
      canvas.style.cursor = visible ? '' : 'none';
    },
    toggleFullscreen,
    fullscreen() {
      return !!document.fullscreenElement;
    },
    roomInDevicePixels() {
      const ratio = window.devicePixelRatio || 1;
      return [Math.floor(window.innerWidth * ratio), Math.floor(window.innerHeight * ratio)];
    },
    resizeCount() {
      return resizes;
    },
    // For tests and the curious: how many frames the canvas has shown.
    frames() {
      return frames;
    },
  };

  window.addEventListener('keydown', (event) => {
    if (!started) {
      if (!offline && !event.repeat) start();
      return;
    }
    const key = event.key;
    if (key === 'F12') {
      savePicture();
    } else if (key === 'F11' || key === 'f' || key === 'F') {
      if (!event.repeat) toggleFullscreen();
    } else if (key === ' ') {
      if (!event.repeat) keys.push(kPlayer << 16 | 0);
    } else if (key === 'm' || key === 'M') {
      if (!event.repeat) keys.push(kPlayer << 16 | 1);
    } else if (event.keyCode > 0 && event.keyCode < 256) {
      keys.push(kDown << 16 | event.keyCode);
      if (key !== 'Escape') return;
    } else {
      return;
    }
    event.preventDefault();
  });
  window.addEventListener('keyup', (event) => {
    const key = event.key;
    if (!started || key === ' ' || key === 'F11' || key === 'F12' || key === 'f' || key === 'F' || key === 'm' ||
        key === 'M') {
      return;
    }
    if (event.keyCode > 0 && event.keyCode < 256) keys.push(kUp << 16 | event.keyCode);
  });
  window.addEventListener('resize', () => {
    resizes += 1;
    fitPicture();
  });
  play.addEventListener('click', start);
  canvas.addEventListener('click', () => { if (!offline) start(); });
  document.getElementById('box-ok').addEventListener('click', () => { box.hidden = true; });
  document.getElementById('again').addEventListener('click', () => location.reload());
  fitPicture();

  window.Module = {
    glassPage: page,
    glassAudio: audio,
    glassThreads: threads,
    print(text) {
      console.log(text);
      appendLine(result, text);
    },
    printErr(text) {
      console.error(text);
      appendLine(messages, text);
    },
    onRuntimeInitialized() {
      if (offline) {
        start();
      } else {
        play.disabled = false;
        play.textContent = 'Play';
      }
    },
    onAbort(what) {
      appendLine(messages, 'glass-orchard: the program stopped: ' + what);
      document.body.dataset.exitStatus = 'abort';
      ended.hidden = false;
    },
    onExit(status) {
      document.body.dataset.exitStatus = String(status);
      ended.hidden = false;
    },
    // Both builds pack the same content; the one-thread build reads the file of the other.
    locateFile(name) {
      return name === 'glass-orchard-single.data' ? 'glass-orchard.data' : name;
    },
  };
  const script = document.createElement('script');
  script.src = build + '.js';
  script.onerror = () => appendLine(messages, 'glass-orchard: cannot load ' + build + '.js');
  document.body.appendChild(script);
})();
