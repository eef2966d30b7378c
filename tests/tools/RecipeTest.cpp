// Recipe files of kobre-mkgame, and what it writes read back by the
// runtime's own readers (DIBitmap for pictures, WaveFile for sounds).
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "graphics/DIBitmap.h"
#include "graphics/GraphicsContext.h"
#include "platform/headless/HeadlessPlatform.h"
#include "sound/WaveFile.h"
#include "storage/ArchiveFile.h"
#include "tests/storage/TempFolder.h"
#include "tests/tools/ToolsSupport.h"
#include "tools/mkgame/GameBuilder.h"
#include "tools/mkgame/PictureRecipe.h"
#include "tools/mkgame/RecipeText.h"
#include "tools/mkgame/SoundRecipe.h"

namespace kobre::testing {
namespace {

using mkgame::RecipeBlock;

std::vector<RecipeBlock> parse(const std::string& text, std::string* error = nullptr) {
  std::vector<RecipeBlock> blocks;
  std::string why;
  const bool ok = mkgame::parseRecipeFile("t.pic", text, blocks, why);
  if (error) *error = ok ? "" : why;
  return blocks;
}

TEST(RecipeText, VariantsExpandIntoOneBlockPerCombination) {
  struct Case {
    const char* text;
    std::vector<std::string> headers;
    std::vector<std::string> firstBodyLines;
  };
  const Case cases[] = {
      {"picture a.bmp 1 1\n  fill #000000\nend\n", {"picture a.bmp 1 1"}, {"fill #000000"}},
      {"picture _i{Log,Save}{1,2}.psd 5 5\n  label 0 0 9 #ffffff {1:LOG,SAVE}{2:a,b}\nend\n",
       {"picture _iLog1.psd 5 5", "picture _iLog2.psd 5 5", "picture _iSave1.psd 5 5",
        "picture _iSave2.psd 5 5"},
       {"label 0 0 9 #ffffff LOGa", "label 0 0 9 #ffffff LOGb", "label 0 0 9 #ffffff SAVEa",
        "label 0 0 9 #ffffff SAVEb"}},
      {"picture _Ed{08..10}.bmp 1 1\n  stars {=} {7,8,9} #ffffff\nend\n",
       {"picture _Ed08.bmp 1 1", "picture _Ed09.bmp 1 1", "picture _Ed10.bmp 1 1"},
       {"stars 08 7 #ffffff", "stars 09 8 #ffffff", "stars 10 9 #ffffff"}},
      // A group in the header that follows another does not multiply.
      {"picture m{1,2}.psd {1:44,349} 9\n  rect 0 0 {f} 1 #123456\nend\n",
       {"picture m1.psd 44 9", "picture m2.psd 349 9"},
       {"rect 0 0 {f} 1 #123456", "rect 0 0 {f} 1 #123456"}},
      // Comments go, colour words stay, labels keep their text.
      {"# note\npicture a.bmp 1 1   # trailing\n  fill #a0b0c0 # dark\n"
       "  label 0 0 9 #ffffff A # B\nend\n",
       {"picture a.bmp 1 1"},
       {"fill #a0b0c0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string error;
    const std::vector<RecipeBlock> blocks = parse(c.text, &error);
    ASSERT_EQ(error, "");
    ASSERT_EQ(blocks.size(), c.headers.size());
    for (size_t i = 0; i < blocks.size(); ++i) {
      EXPECT_EQ(blocks[i].header.text, c.headers[i]);
      ASSERT_FALSE(blocks[i].body.empty());
      EXPECT_EQ(blocks[i].body[0].text, c.firstBodyLines[i]);
    }
  }
  const std::vector<RecipeBlock> label =
      parse("picture a.bmp 1 1\n  label 0 0 9 #fff A # B\nend\n");
  ASSERT_EQ(label.size(), 1u);
  EXPECT_EQ(label[0].body[0].text, "label 0 0 9 #fff A # B");
}

TEST(RecipeText, MalformedFilesAreRefusedWithTheirLine) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"picture a.bmp 1 1\n  fill #000000\n", "t.pic:1: block without \"end\""},
      {"end\n", "t.pic:1: \"end\" without a block"},
      {"picture a{1,2}.bmp 1 1\n  fill {#000000,#111111,#222222}\nend\n", "t.pic:2: group"},
      {"picture a{1,2}.bmp 1 1\n  fill {=3}\nend\n", "t.pic:2: {=3} names a group"},
      {"picture a.bmp 1 1\npicture b.bmp 1 1\nend\n", "block without \"end\""},
  };
  for (const Case& c : cases) {
    std::string error;
    parse(c.text, &error);
    EXPECT_NE(error.find(c.message), std::string::npos) << c.text << " -> " << error;
  }
}

TEST(PictureRecipe, BadCommandsAreReportedWithTheirLine) {
  ensureGuiApp();
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"picture a.bmp 4 4\n  fill 123456\nend\n", "t.pic:2: bad colour"},
      {"picture a.bmp 4 4\n  fill #12345\nend\n", "t.pic:2: \"fill\" needs 1 arguments"},
      {"picture a.bmp 4 4\n  wobble 1\nend\n", "t.pic:2: unknown command \"wobble\""},
      {"picture a.bmp 4 4\n  rect 0 0 1\nend\n", "t.pic:2: \"rect\" needs 5 arguments"},
      {"picture a.bmp 4 4\n  rect 0 0 x 1 #000000\nend\n", "bad number \"x\""},
      {"picture a.psd 4 4 layers 2\n  @5-x fill #000000\nend\n", "bad layer filter"},
      {"picture a.psd 4 4\n  thumb b.bmp 0 0 1 1\nend\n", "not a picture made before"},
      {"picture a.bmp 4 4 layers 2\nend\n", "a BMP picture has one layer"},
      {"picture a.psd 0 4\nend\n", "bad picture size"},
      {"picture a.psd 4 4 layers 101\nend\n", "layers must be 1 to 100"},
      {"picture a.psd 4 4 shiny\nend\n", "unknown option \"shiny\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::vector<RecipeBlock> blocks = parse(c.text);
    ASSERT_EQ(blocks.size(), 1u);
    mkgame::PictureSpec spec;
    std::string error;
    if (mkgame::parsePictureSpec(blocks[0], spec, error)) {
      std::vector<QImage> layers;
      EXPECT_FALSE(mkgame::renderPicture(spec, nullptr, layers, error));
    }
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
}

// Pictures drawn from recipes, written as BMP and PSD, packed into the image
// archive and loaded by DIBitmap come out with the pixels that were drawn.
TEST(PictureRecipe, PicturesLoadThroughDIBitmapWithTheirPixels) {
  ensureGuiApp();
  TempFolder src, game;
  const std::string recipes =
      "picture flat.bmp 37 21\n"
      "  gradient #102030 #f0e0d0\n"
      "  ellipse 3 3 20 14 #ff8000\n"
      "  label 1 1 10 #ffffff 絵\n"
      "end\n"
      "picture head.bmp 5 3 scrambled\n"
      "  fill #ff0000\n"
      "  rect 1 1 3 1 #00ff00\n"
      "end\n"
      "picture anim.psd 40 30 layers 4\n"
      "  rect 2+5f 3 10 8 #2040ffc0\n"
      "  @2- ellipse 0 10 40 20 #ffffff80\n"
      "  @3 label 0 0 12b #ff0000 あ\n"
      "end\n"
      "picture wide.psd 32 16 raw\n"
      "  round -4 2 40 12 4 #00ff0080\n"
      "end\n"
      "picture solid.psd 24 12 layers 2 opaque\n"
      "  fill #336699\n"
      "  @1 rect 4 4 8 4 #ffcc00\n"
      "end\n"
      "picture empty.psd 8 8 layers 2\n"
      "  @1 rect 2 2 2 2 #ffffff\n"
      "end\n"
      "picture sup.psd 6 6 supplement\n"
      "  rect 0 0 3 3 #abcdef\n"
      "end\n";
  src.write("cg/a.pic", recipes);
  std::ostringstream log;
  std::string error;
  ASSERT_TRUE(mkgame::buildGame(src.str(), game.str(), {}, log, error)) << error;

  // The same recipes drawn here, for the expected pixels.
  std::vector<RecipeBlock> blocks = parse(recipes);
  platform::headless::HeadlessPlatform headless(game.str(), game.str() + "/.data");
  ArchiveFile imageArchive(&headless.files);
  ASSERT_TRUE(imageArchive.open("arc.cg", true));
  ASSERT_TRUE(imageArchive.attachSupplement("arc2.cg", true));
  GraphicsContext context;
  context.host = &headless.host;
  context.files = &headless.files;
  context.text = &headless.text;
  context.imageArchive = &imageArchive;
  for (const RecipeBlock& block : blocks) {
    mkgame::PictureSpec spec;
    ASSERT_TRUE(mkgame::parsePictureSpec(block, spec, error)) << error;
    SCOPED_TRACE(spec.name);
    std::vector<QImage> layers;
    ASSERT_TRUE(mkgame::renderPicture(spec, nullptr, layers, error)) << error;
    DIBitmap bitmap(&context);
    ASSERT_TRUE(bitmap.load("cg\\" + spec.name));
    ASSERT_EQ(bitmap.width(), spec.width);
    ASSERT_EQ(bitmap.height(), spec.height);
    ASSERT_EQ(bitmap.frameCount(), spec.layers);
    EXPECT_EQ(bitmap.hasAlpha(), spec.alpha);
    int mismatches = 0;
    for (int f = 0; f < spec.layers; ++f) {
      const uint32_t* px = bitmap.pixels(f);
      for (int y = 0; y < spec.height; ++y)
        for (int x = 0; x < spec.width; ++x) {
          const uint32_t drawn =
              reinterpret_cast<const uint32_t*>(layers[static_cast<size_t>(f)].constScanLine(y))[x];
          const uint32_t got = px[y * spec.width + x];
          uint32_t want;
          if (spec.bmp) {
            want = drawn | 0xFF000000u;  // BMP pixels come out opaque
          } else if (!spec.alpha) {
            want = drawn & 0x00FFFFFFu;  // three channels: alpha bytes stay 0
          } else {
            want = (drawn >> 24) == 0 ? 0 : drawn;  // nothing outside the layer
          }
          if (got != want && ++mismatches < 5)
            ADD_FAILURE() << "frame " << f << " (" << x << "," << y << ") got " << std::hex << got
                          << " want " << want;
        }
    }
    EXPECT_EQ(mismatches, 0);
  }
  EXPECT_TRUE(headless.host.boxes().empty());
}

TEST(SoundRecipe, SoundsHaveTheirLengthsAndReadBackThroughWaveFile) {
  struct Case {
    const char* text;
    int rate, channels;
    size_t frames;
    bool vorbis;
  };
  const Case cases[] = {
      {"sound a.wav\n  tone 440 1000\nend\n", 22050, 1, 22050, false},
      {"sound a.wav rate 11025 stereo\n  chord 440,550 500\n  rest 500\nend\n", 11025, 2, 11025,
       false},
      {"sound a.wav\n  melody 120 C4:1 R:1 E4+G4:2\nend\n", 22050, 1, 44100, false},
      {"sound a.wav\n  noise 100\n  repeat 3\nend\n", 22050, 1, 6615, false},
      {"sound a.wav\n  tone 300 2000\n  length 250\nend\n", 22050, 1, 5513, false},
      {"sound a.wav vorbis stereo\n  sweep 200 400 1000\nend\n", 22050, 2, 22050, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::vector<RecipeBlock> blocks = parse(c.text);
    ASSERT_EQ(blocks.size(), 1u);
    mkgame::SoundSpec spec;
    std::string error;
    ASSERT_TRUE(mkgame::parseSoundSpec(blocks[0], spec, error)) << error;
    std::vector<int16_t> samples;
    ASSERT_TRUE(mkgame::synthesizeSound(spec, samples, error)) << error;
    EXPECT_EQ(samples.size(), c.frames * static_cast<size_t>(c.channels));
    const std::vector<uint8_t> file = mkgame::encodeSound(spec, samples);
    WaveFile wave(SoundFiles{});
    ASSERT_TRUE(wave.openMemory(file));
    uint8_t header[kWaveFormatExSize];
    ASSERT_TRUE(wave.readFormat(header, kWaveFormatExSize));
    const WaveFormat format = WaveFormat::parse(header);
    EXPECT_EQ(format.formatTag, c.vorbis ? 0x674F : kWaveFormatPcm);
    EXPECT_EQ(format.channels, c.channels);
    EXPECT_EQ(format.samplesPerSec, static_cast<uint32_t>(c.rate));
    uint32_t dataSize = 0;
    ASSERT_TRUE(wave.findData(dataSize));
    if (c.vorbis) {
      EXPECT_EQ(wave.factSampleCount(), c.frames);
    } else {
      EXPECT_EQ(dataSize, samples.size() * 2);
    }
  }
}

TEST(SoundRecipe, BadCommandsAreReported) {
  const char* cases[] = {
      "sound a.wav\n  tone 440\nend\n",        "sound a.wav\n  wave organ\nend\n",
      "sound a.wav\n  melody 120 H4:1\nend\n", "sound a.wav\n  melody 120 C4:0\nend\n",
      "sound a.wav\n  hum 3\nend\n",           "sound a.wav rate 3\nend\n",
  };
  for (const char* text : cases) {
    const std::vector<RecipeBlock> blocks = parse(text);
    ASSERT_EQ(blocks.size(), 1u);
    mkgame::SoundSpec spec;
    std::string error;
    std::vector<int16_t> samples;
    const bool ok = mkgame::parseSoundSpec(blocks[0], spec, error) &&
                    mkgame::synthesizeSound(spec, samples, error);
    EXPECT_FALSE(ok) << text;
    EXPECT_NE(error.find("t.pic:"), std::string::npos) << error;
  }
}

TEST(SoundRecipe, NotesNameTheirKeys) {
  const std::pair<const char*, int> cases[] = {{"A4", 69},  {"C4", 60}, {"C#4", 61},
                                               {"Bb3", 58}, {"C0", 12}, {"G8", 115}};
  for (const auto& [name, key] : cases) {
    int k = -1;
    EXPECT_TRUE(mkgame::noteKey(name, k)) << name;
    EXPECT_EQ(k, key) << name;
  }
  int k = 0;
  for (const char* bad : {"", "A", "H4", "A9", "A#", "a4", "C44"})
    EXPECT_FALSE(mkgame::noteKey(bad, k)) << bad;
}

// The MIDI writer's output is a well-formed one-track file with every note
// switched on and off.
TEST(SoundRecipe, MidiFilesAreWellFormed) {
  const std::vector<RecipeBlock> blocks = parse(
      "midi mid\\t.mid\n  tempo 100\n  channel 0 5\n  notes C4:1 E4+G4:2 R:1 C5:0.5\n"
      "  channel 9 0\n  notes C2:8\nend\n");
  ASSERT_EQ(blocks.size(), 1u);
  std::vector<uint8_t> midi;
  std::string error;
  ASSERT_TRUE(mkgame::buildMidi(blocks[0], midi, error)) << error;
  ASSERT_GE(midi.size(), 22u);
  EXPECT_EQ(std::string(midi.begin(), midi.begin() + 4), "MThd");
  EXPECT_EQ(std::string(midi.begin() + 14, midi.begin() + 18), "MTrk");
  const size_t length =
      static_cast<size_t>(midi[18]) << 24 | midi[19] << 16 | midi[20] << 8 | midi[21];
  ASSERT_EQ(length, midi.size() - 22);
  int on = 0, off = 0;
  bool ended = false;
  for (size_t i = 22; i < midi.size() && !ended;) {
    while (midi[i] & 0x80) ++i;  // delta time
    ++i;
    const uint8_t status = midi[i];
    if (status == 0xFF) {
      ended = midi[i + 1] == 0x2F;
      i += 3 + midi[i + 2];
    } else if ((status & 0xF0) == 0x90) {
      ++on;
      i += 3;
    } else if ((status & 0xF0) == 0x80) {
      ++off;
      i += 3;
    } else {
      ASSERT_EQ(status & 0xF0, 0xC0) << i;
      i += 2;
    }
  }
  EXPECT_TRUE(ended);
  EXPECT_EQ(on, 5);
  EXPECT_EQ(off, 5);
}

}  // namespace
}  // namespace kobre::testing
