// The sound library subset: a song cut short, the end of a song played once
// or looped, and the play position on the silent and device outputs.
// (Start-up failures and the codes of a missing or foreign song show in the
// shell's boxes; a folder or FIFO in a file's place in the file loading,
// which reads the same way; the offline position frame by frame in the
// capture runs.)
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/sound/fmod.h"
#include "platform/sound/sound_control.h"
#include "support/small_data_set.h"
#include "support/xm_writer.h"

namespace {

class SoundTest : public testing::Test {
 protected:
  void SetUp() override { resetSoundSystem(); }
  void TearDown() override { resetSoundSystem(); }

  static std::string writeSong(const std::vector<std::uint8_t>& bytes, const char* name = "song.xm") {
    EXPECT_TRUE(writeBytes(name, bytes));
    return name;
  }

  FMUSIC_MODULE* startSong(SoundOutput output, const TestXmLayout& layout = {}) {
    setSoundOutput(output);
    EXPECT_TRUE(FSOUND_Init(44100, 32, 2));
    FMUSIC_MODULE* song = FMUSIC_LoadSong(writeSong(makeTestXm(layout)).c_str());
    EXPECT_NE(song, nullptr);
    EXPECT_TRUE(FMUSIC_PlaySong(song));
    return song;
  }

  static int position(FMUSIC_MODULE* song) {
    const int order = FMUSIC_GetOrder(song);
    return order * 256 + FMUSIC_GetRow(song);
  }

  ScopedWorkingDirectory directory_;
};

TEST_F(SoundTest, SongCutShortPlaysWhatLoadsAndSaysSo) {
  setSoundOutput(SoundOutput::Offline);
  ASSERT_TRUE(FSOUND_Init(44100, 32, 2));
  const std::string whole = writeSong(makeTestXm(), "whole.xm");
  std::vector<std::uint8_t> half = makeTestXm();
  half.resize(half.size() / 2);
  const std::string cut = writeSong(half, "half.xm");
  for (const std::string& path : {whole, cut}) {
    testing::internal::CaptureStderr();
    FMUSIC_MODULE* song = FMUSIC_LoadSong(path.c_str());
    const std::string said = testing::internal::GetCapturedStderr();
    ASSERT_NE(song, nullptr) << path;
    EXPECT_EQ(said.find(path) != std::string::npos, path == cut) << said;
    FMUSIC_FreeSong(song);
  }
}

// A module larger than the 64 MB cap (a sparse file: no disk is used) is
// refused from its size, with a line naming it, its size and the cap.
TEST_F(SoundTest, SongAboveTheSizeCapIsRefusedUnread) {
  setSoundOutput(SoundOutput::Offline);
  ASSERT_TRUE(FSOUND_Init(44100, 32, 2));
  const std::string path = writeSong(makeTestXm(), "huge.xm");
  ASSERT_EQ(::truncate(path.c_str(), off_t{2} << 30), 0);
  testing::internal::CaptureStderr();
  EXPECT_EQ(FMUSIC_LoadSong(path.c_str()), nullptr);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_FILE_BAD);
  EXPECT_NE(said.find("huge.xm: 2147483648 bytes (2.0 GB), more than the 67108864 bytes (64.0 MB) a module may be"),
            std::string::npos)
      << said;
}

TEST_F(SoundTest, SongPlayedOnceEndsAndALoopingOneGoesBack) {
  const TestXmLayout layout{.orders = 2, .rowsPerPattern = 16};
  const int songFrames = 2 * 16 * testXmRowFrames(layout);
  FMUSIC_MODULE* song = startSong(SoundOutput::Offline, layout);
  EXPECT_EQ(renderOfflineFrames(songFrames - 10, nullptr), songFrames - 10);
  EXPECT_EQ(position(song), 256 + 15);
  EXPECT_EQ(renderOfflineFrames(testXmRowFrames(layout), nullptr), testXmRowFrames(layout));
  EXPECT_LT(position(song), 256);
  EXPECT_FALSE(songEnded());

  resetSoundSystem();
  setSongLooping(false);
  song = startSong(SoundOutput::Offline, layout);
  int total = 0;
  for (int rendered; (rendered = renderOfflineFrames(1000, nullptr)) > 0;) total += rendered;
  EXPECT_GE(total, songFrames);
  EXPECT_TRUE(songEnded());
  // Not the restart position 0:0 that the decoder reports after the end.
  EXPECT_EQ(position(song), 256 + 15);
  EXPECT_EQ(renderOfflineFrames(1000, nullptr), 0);
}

// Rows of 10 ms on the silent output's clock; a pause holds the position,
// and an order read then a row read describe one moment.
TEST_F(SoundTest, SilentOutputFollowsItsClockAndPauses) {
  std::uint64_t micros = 5'000'000;
  setSilentOutputClock([&micros] { return micros; });
  FMUSIC_MODULE* song = startSong(SoundOutput::Silent);
  EXPECT_EQ(activeSoundOutput(), SoundOutput::Silent);
  EXPECT_EQ(position(song), 0);
  micros += 1'005'000;  // 100.5 rows
  EXPECT_EQ(position(song), 256 + 36);
  micros += 2'000'000;  // 300.5 rows of 64 per pattern
  EXPECT_EQ(position(song), 4 * 256 + 44);
  setSoundPaused(true);
  micros += 3'000'000;
  EXPECT_EQ(position(song), 4 * 256 + 44) << "paused: the music stands still";
  setSoundPaused(false);
  micros += 190'000;  // 319.5 rows: order 4, row 63
  EXPECT_EQ(FMUSIC_GetOrder(song), 4);
  micros += 10'000;  // the music moves on to order 5, row 0 between the reads
  EXPECT_EQ(FMUSIC_GetRow(song), 63);
  EXPECT_EQ(FMUSIC_GetRow(song), 0) << "a row read on its own is current";
  EXPECT_EQ(FMUSIC_GetOrder(song), 5);
}

// Runs `body` with SDL_AUDIODRIVER set to `driver`, then restores it.
template <typename Body>
void withAudioDriver(const char* driver, Body body) {
  const char* saved = std::getenv("SDL_AUDIODRIVER");
  const std::string previous = saved != nullptr ? saved : "";
  setenv("SDL_AUDIODRIVER", driver, 1);
  body();
  saved != nullptr ? setenv("SDL_AUDIODRIVER", previous.c_str(), 1) : unsetenv("SDL_AUDIODRIVER");
}

TEST_F(SoundTest, DeviceOutputPublishesAMovingPosition) {
  // SDL's dummy audio driver keeps (rough) real time on any machine.
  FMUSIC_MODULE* song = nullptr;
  withAudioDriver("dummy", [&] { song = startSong(SoundOutput::Device); });
  ASSERT_EQ(activeSoundOutput(), SoundOutput::Device);
  int seen = 0;
  for (int attempt = 0; attempt < 500 && seen < 3; ++attempt) {
    seen = position(song);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_GE(seen, 3);
  EXPECT_LE(seen & 0xFF, 63);
  // Freeing while the audio thread mixes must be safe.
  EXPECT_TRUE(FMUSIC_FreeSong(song));
  FSOUND_Close();
}

TEST_F(SoundTest, MissingSoundDevicePlaysSilently) {
  setSoundOutput(SoundOutput::Device);
  bool started = false;
  withAudioDriver("no-such-driver", [&] { started = FSOUND_Init(44100, 32, 2); });
  EXPECT_TRUE(started);
  EXPECT_EQ(activeSoundOutput(), SoundOutput::Silent);
}

}  // namespace
