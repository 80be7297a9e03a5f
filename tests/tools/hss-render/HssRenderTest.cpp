// hss-render, listened to as numbers: the length of what it writes follows
// the rows and speeds of the module (or the frames of the sample) exactly.

#include "tools/hss-render/HssRender.h"

#include "tests/platform/TempFolder.h"
#include "tests/sound/SoundFixtures.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace SoundFixtures;

namespace {

uint32_t Le32(const Bytes& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

uint32_t Le16(const Bytes& b, size_t at)
{
    return b[at] | b[at + 1] << 8;
}

// Frames of `rows` rows at a speed and tick length: each tick lasts
// TickLen + 1 frames and each row one frame more.
uint64_t Rows(uint64_t rows, uint32_t speed, uint32_t tickLen)
{
    return rows * (speed * (tickLen + 1) + 1);
}

// Two orders; speed 3 from the start, speed 4 at order 1 row 10, tempo 160
// (TickLen 344) at row 20, and a backward jump on row 40 ends the song.
Bytes SpeedsModule()
{
    std::vector<int8_t> wave;
    for (int i = 0; i < 400; ++i)
        wave.push_back(int8_t((i % 40) * 6 - 120));
    ModImage m;
    m.Sample(1, wave, 64, 0, 0, 200).Orders({0, 1});
    m.Cell(0, 0, 0, 1, 428, 0xF, 0x03).Cell(0, 16, 1, 1, 214, 0, 0);
    m.Cell(1, 10, 2, 0, 0, 0xF, 0x04).Cell(1, 20, 3, 1, 320, 0xF, 0xA0);
    m.Cell(1, 40, 0, 0, 0, 0xB, 0x00);
    return m.Build();
}

const uint64_t kSpeedsFrames = Rows(64 + 10, 3, 441) + Rows(10, 4, 441) + Rows(21, 4, 344);

class TempDir : public ::testing::Test {
protected:
    TestSupport::TempFolder Folder{"hss-render"};
    const std::string Dir = Folder.Path();
    std::string Write(const std::string& name, const Bytes& bytes)
    {
        const std::string path = Dir + "/" + name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return path;
    }
    static Bytes Read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    // Runs the tool; returns its exit status and what it printed.
    static int Run(const std::string& args, std::string* printed)
    {
        const std::string command = std::string(HSS_RENDER_PATH) + " " + args + " 2>&1";
        std::FILE* pipe = popen(command.c_str(), "r");
        printed->clear();
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
            *printed += buffer;
        const int status = pclose(pipe);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

TEST_F(TempDir, ModuleLengthMatchesItsRowsAndSpeedsExactly)
{
    const std::string input = Write("speeds.mod", SpeedsModule());
    std::string printed;
    ASSERT_EQ(Run("'" + input + "' '" + Dir + "/out.wav'", &printed), 0) << printed;
    EXPECT_EQ(printed, std::to_string(kSpeedsFrames) + " frames\n");
    const Bytes wav = Read(Dir + "/out.wav");
    ASSERT_GE(wav.size(), 44u);
    EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(wav.begin() + 8, wav.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(Le16(wav, 20), 1u);     // PCM
    EXPECT_EQ(Le16(wav, 22), 2u);     // stereo
    EXPECT_EQ(Le32(wav, 24), 22050u); // rate
    EXPECT_EQ(Le32(wav, 28), 44100u); // bytes per second
    EXPECT_EQ(Le16(wav, 32), 2u);     // block align
    EXPECT_EQ(Le16(wav, 34), 8u);     // bits
    EXPECT_EQ(std::string(wav.begin() + 36, wav.begin() + 40), "data");
    EXPECT_EQ(Le32(wav, 40), kSpeedsFrames * 2);
    EXPECT_EQ(Le32(wav, 4), wav.size() - 8);
    // It is music, not silence.
    size_t loud = 0;
    for (size_t i = 44; i < wav.size(); ++i)
        loud += wav[i] != 0x80;
    EXPECT_GT(loud, kSpeedsFrames / 2);
}

TEST_F(TempDir, SixteenBitMonoAndTheTimeLimit)
{
    const std::string input = Write("speeds.mod", SpeedsModule());
    std::string printed;
    ASSERT_EQ(Run("--bits 16 --mono '" + input + "' '" + Dir + "/mono.wav'", &printed), 0) << printed;
    const Bytes mono = Read(Dir + "/mono.wav");
    EXPECT_EQ(Le16(mono, 22), 1u);
    EXPECT_EQ(Le16(mono, 34), 16u);
    EXPECT_EQ(Le32(mono, 40), kSpeedsFrames * 2);

    // Looping never ends by itself: the limit cuts it at exactly MAX seconds.
    ASSERT_EQ(Run("--loop --seconds 3 --rate 11025 '" + input + "' '" + Dir + "/loop.wav'", &printed), 0);
    EXPECT_EQ(printed, "33075 frames\n");
    EXPECT_EQ(Le32(Read(Dir + "/loop.wav"), 40), 33075u * 2);
}

TEST_F(TempDir, SampleLengthFollowsItsFramesAndRate)
{
    Bytes data(1001, 0xA0);
    const std::string input = Write("effect.wav", PcmWav(1, 44100, 8, data));
    std::string printed;
    ASSERT_EQ(Run("'" + input + "' '" + Dir + "/effect-out.wav'", &printed), 0) << printed;
    // Step 512: frames 0, 2, ..., 1000 are played, 501 output frames.
    EXPECT_EQ(printed, "501 frames\n");
    const Bytes wav = Read(Dir + "/effect-out.wav");
    ASSERT_EQ(Le32(wav, 40), 1002u);
    EXPECT_EQ(wav[44], 128 + 16);
    EXPECT_EQ(wav[45], 128 + 16);
}

// The player's volume and smooth sound, as the game would play them.
TEST_F(TempDir, VolumeAndSmoothOptions)
{
    const std::string effect = Write("effect.wav", PcmWav(1, 44100, 8, Bytes(1001, 0xA0)));
    std::string printed;
    // 32 above the middle, at full volume 16 above it in the output (the
    // case above); half of that at 50 %, nothing at 0 %.
    const struct {
        const char* Volume;
        uint8_t Want;
    } levels[] = {{"100", 128 + 16}, {"50", 128 + 8}, {"0", 128}};
    for (const auto& level : levels) {
        const std::string wav = Dir + "/effect-" + level.Volume + ".wav";
        ASSERT_EQ(Run(std::string("--volume ") + level.Volume + " '" + effect + "' '" + wav + "'", &printed),
                  0)
            << printed;
        EXPECT_EQ(printed, "501 frames\n") << "a volume changes no length";
        const Bytes out = Read(wav);
        ASSERT_EQ(out.size(), 44u + 1002u);
        for (size_t i = 44; i < out.size(); ++i)
            ASSERT_EQ(out[i], level.Want) << level.Volume << " %, byte " << i;
    }

    const std::string module = Write("speeds.mod", SpeedsModule());
    ASSERT_EQ(Run("--bits 16 '" + module + "' '" + Dir + "/nearest.wav'", &printed), 0) << printed;
    ASSERT_EQ(Run("--bits 16 --smooth '" + module + "' '" + Dir + "/smooth.wav'", &printed), 0) << printed;
    EXPECT_EQ(printed, std::to_string(kSpeedsFrames) + " frames\n");
    const Bytes nearest = Read(Dir + "/nearest.wav");
    const Bytes smooth = Read(Dir + "/smooth.wav");
    ASSERT_EQ(smooth.size(), nearest.size());
    EXPECT_NE(smooth, nearest) << "the module's steps are not whole bytes: smooth draws between them";
}

TEST_F(TempDir, FilesThatDoNotLoadGiveOneLineAndStatusOne)
{
    std::string printed;
    const std::string bad = Write("bad.mod", Bytes(2000, 7));
    EXPECT_EQ(Run("'" + bad + "' '" + Dir + "/x.wav'", &printed), 1);
    EXPECT_EQ(printed, "hss-render: " + bad + ": cannot play it (code -100)\n");
    EXPECT_EQ(Run("'" + Dir + "/missing.mod' '" + Dir + "/x.wav'", &printed), 1);
    EXPECT_EQ(printed, "hss-render: " + Dir + "/missing.mod: cannot play it (code -200)\n");
    const std::string damaged =
        Write("damaged.wav", Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'});
    EXPECT_EQ(Run("'" + damaged + "' '" + Dir + "/x.wav'", &printed), 1);
    EXPECT_NE(printed.find("(code -300)"), std::string::npos) << printed;
    const std::string wide = Write("wide.mod", ModImage(40, "40CH").Build());
    EXPECT_EQ(Run("'" + wide + "' '" + Dir + "/x.wav'", &printed), 1);
    EXPECT_NE(printed.find("(code -1000)"), std::string::npos) << printed;
    EXPECT_EQ(access((Dir + "/x.wav").c_str(), F_OK), -1);
}

TEST_F(TempDir, BadCommandLinesAreRefused)
{
    std::string printed;
    EXPECT_EQ(Run("", &printed), 2);
    EXPECT_EQ(Run("--bits 12 a b", &printed), 2);
    EXPECT_EQ(Run("--rate 0 a b", &printed), 2);
    EXPECT_EQ(Run("--frobnicate a b", &printed), 2);
    EXPECT_EQ(Run("--volume 101 a b", &printed), 2);
    EXPECT_EQ(Run("--volume -5 a b", &printed), 2);
    EXPECT_EQ(Run("--volume half a b", &printed), 2);
    EXPECT_EQ(Run("a b c", &printed), 2);
}

TEST(HssRender, RendersInMemoryWithoutAFile)
{
    const Bytes module = SpeedsModule();
    HssRenderOptions options;
    HssRenderOutput output;
    ASSERT_EQ(HssRender(module.data(), module.size(), options, &output), 0);
    EXPECT_TRUE(output.IsModule);
    EXPECT_EQ(output.Frames, kSpeedsFrames);
    EXPECT_EQ(output.Pcm.size(), kSpeedsFrames * 2);
    // Rendering is deterministic, bit for bit.
    HssRenderOutput again;
    ASSERT_EQ(HssRender(module.data(), module.size(), options, &again), 0);
    EXPECT_EQ(again.Pcm, output.Pcm);
}

} // namespace
