// The playback device in a browser.
//
// With threads (a cross-origin isolated page) a thread of this device
// renders the music into a ring buffer in the program's shared memory,
// and an AudioWorklet on the page (web/audio-worklet.js) copies it to the
// output and advances the ring's read counter. The ring is kept full, so
// when the thread renders into the room just freed, everything rendered
// before the ring's length has been handed to the output: the sound system
// publishes exactly that position, as it does over SDL's buffers.
//
// Without threads the program renders on the page's thread whenever it
// reads the song's position (once a frame): it keeps about 150 ms queued
// as buffers the page schedules back to back, and what is being heard is
// what was rendered before the queue.
//
// When the page has no running audio output (no device, no gesture yet),
// no device opens and the music plays silently on its clock.
#include <emscripten.h>

#include <cstdio>

#include "platform/sound/audio_device.h"

#ifdef __EMSCRIPTEN_PTHREADS__

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr std::uint32_t kRingFrames = 2048;  // about 46 ms at 44,100 Hz
constexpr std::uint32_t kChunkFrames = 512;

struct Ring {
  // Counted in sample frames since the device opened; they wrap together.
  // The worklet reads and writes `played` through the same memory.
  std::atomic<std::int32_t> played{0};
  std::atomic<std::int32_t> written{0};
  std::int16_t samples[kRingFrames * 2] = {};
};

struct Device {
  Ring* ring = nullptr;
  AudioFill fill = nullptr;
  std::thread renderer;
  std::atomic<bool> running{false};
  std::mutex lock;  // held while the fill runs
  std::vector<std::int16_t> chunk;
};

Device& device() {
  static Device instance;
  return instance;
}

void renderLoop() {
  Device& d = device();
  Ring& ring = *d.ring;
  while (d.running.load(std::memory_order_acquire)) {
    const auto written = static_cast<std::uint32_t>(ring.written.load(std::memory_order_relaxed));
    const auto played = static_cast<std::uint32_t>(ring.played.load(std::memory_order_acquire));
    if (kRingFrames - (written - played) < kChunkFrames) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      continue;
    }
    {
      std::lock_guard<std::mutex> hold(d.lock);
      d.fill(d.chunk.data(), kChunkFrames, written - played);
    }
    for (std::uint32_t i = 0; i < kChunkFrames; ++i) {
      const std::uint32_t at = (written + i) % kRingFrames;
      ring.samples[at * 2] = d.chunk[i * 2];
      ring.samples[at * 2 + 1] = d.chunk[i * 2 + 1];
    }
    ring.written.store(static_cast<std::int32_t>(written + kChunkFrames), std::memory_order_release);
  }
}

}  // namespace

bool openAudioDevice(const AudioDeviceRequest& request) {
  Device& d = device();
  if (d.ring != nullptr) return false;
  d.ring = new Ring;
  // The page's output at the mix rate, fed by the worklet; 0 when the page
  // has no running audio output.
  const int opened = MAIN_THREAD_EM_ASM_INT(
      { return Module.glassAudio ? Module.glassAudio.open(wasmMemory.buffer, $0, $1, $2, $3, $4) : 0; },
      reinterpret_cast<std::intptr_t>(&d.ring->played), reinterpret_cast<std::intptr_t>(&d.ring->written),
      reinterpret_cast<std::intptr_t>(d.ring->samples), kRingFrames, request.rate);
  if (opened == 0) {
    if (request.verbose) std::fprintf(stderr, "sound: the page has no running audio output; the music plays silently\n");
    delete d.ring;
    d.ring = nullptr;
    return false;
  }
  d.fill = request.fill;
  d.chunk.assign(kChunkFrames * 2, 0);
  if (request.verbose) {
    std::fprintf(stderr, "sound: the page's audio output, %d Hz, %u frames in the ring\n", request.rate, kRingFrames);
  }
  pauseAudioDevice(request.paused);
  d.running.store(true, std::memory_order_release);
  d.renderer = std::thread(renderLoop);
  return true;
}

void closeAudioDevice() {
  Device& d = device();
  if (d.ring == nullptr) return;
  d.running.store(false, std::memory_order_release);
  if (d.renderer.joinable()) d.renderer.join();
  MAIN_THREAD_EM_ASM({ Module.glassAudio.close(); });
  delete d.ring;
  d.ring = nullptr;
  d.fill = nullptr;
}

bool audioDeviceOpen() { return device().ring != nullptr; }

void pumpAudioDevice() {}

void pauseAudioDevice(bool paused) {
  if (device().ring != nullptr) MAIN_THREAD_EM_ASM({ Module.glassAudio.pause($0 != 0); }, paused ? 1 : 0);
}

void lockAudioDevice() {
  if (device().ring != nullptr) device().lock.lock();
}

void unlockAudioDevice() {
  if (device().ring != nullptr) device().lock.unlock();
}

#else  // one thread: the program renders when it reads the position

#include <algorithm>
#include <vector>

namespace {

constexpr int kQueuedFrames = 6615;  // 150 ms at 44,100 Hz
constexpr int kChunkFrames = 1024;

struct Device {
  bool open = false;
  bool paused = false;
  AudioFill fill = nullptr;
  std::vector<std::int16_t> chunk;
};

Device& device() {
  static Device instance;
  return instance;
}

}  // namespace

bool openAudioDevice(const AudioDeviceRequest& request) {
  Device& d = device();
  if (d.open) return false;
  if (EM_ASM_INT({ return Module.glassAudio ? Module.glassAudio.openQueue($0) : 0; }, request.rate) == 0) {
    if (request.verbose) std::fprintf(stderr, "sound: the page has no running audio output; the music plays silently\n");
    return false;
  }
  d = Device{true, request.paused, request.fill, std::vector<std::int16_t>(kChunkFrames * 2)};
  if (request.verbose) {
    std::fprintf(stderr, "sound: the page's audio output, %d Hz, about %d frames queued (one thread)\n", request.rate,
                 kQueuedFrames);
  }
  pauseAudioDevice(request.paused);
  return true;
}

void closeAudioDevice() {
  if (!device().open) return;
  EM_ASM({ Module.glassAudio.close(); });
  device() = Device{};
}

bool audioDeviceOpen() { return device().open; }

void pumpAudioDevice() {
  Device& d = device();
  if (!d.open || d.paused) return;
  int queued = EM_ASM_INT({ return Module.glassAudio.queuedFrames(); });
  while (queued < kQueuedFrames) {
    const int frames = std::min(kChunkFrames, kQueuedFrames - queued);
    d.fill(d.chunk.data(), static_cast<std::size_t>(frames), static_cast<std::uint64_t>(queued));
    EM_ASM({ Module.glassAudio.queue($0, $1); }, d.chunk.data(), frames);
    queued += frames;
  }
}

void pauseAudioDevice(bool paused) {
  Device& d = device();
  if (!d.open) return;
  d.paused = paused;
  EM_ASM({ Module.glassAudio.pause($0 != 0); }, paused ? 1 : 0);
}

// Nothing else renders: there is nothing to hold off.
void lockAudioDevice() {}

void unlockAudioDevice() {}

#endif

std::vector<std::string> audioDeviceNames(bool /*verbose*/, std::string& driver, std::string& /*error*/) {
  driver = "browser";
  return {"the page's audio output"};
}
