#include "common/settings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>

namespace fs = std::filesystem;
using namespace vexalo;

namespace {

constexpr SettingSpec kTestTable[] = {
    {"tags.flag", SettingType::Bool, "true", "A flag", "Tags"},
    {"play.preroll", SettingType::Int, "2", "Pre-roll (seconds)", "Playback", 0, 10},
    {"lyrics.name", SettingType::String, "song", "Name", "Lyrics"},
};

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vexalo-settings-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir = pattern;
  }
  void TearDown() override { fs::remove_all(dir); }
  void Put(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }
  std::string Get(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  fs::path dir;
};

TEST(SettingsTable, EveryRowHasAUniqueKeyATextAndADefaultOfItsType) {
  std::set<std::string_view> keys;
  for (const SettingSpec& s : SettingsTable()) {
    EXPECT_TRUE(keys.insert(s.key).second) << s.key;
    EXPECT_NE(s.key.find('.'), std::string_view::npos) << s.key;
    EXPECT_FALSE(s.label.empty()) << s.key;
    EXPECT_FALSE(s.group.empty()) << s.key;
    if (s.type == SettingType::Bool) {
      EXPECT_TRUE(s.defaultValue == "true" || s.defaultValue == "false") << s.key;
    }
    if (s.type == SettingType::Int) {
      Settings fresh;
      EXPECT_EQ(std::to_string(fresh.Int(s.key)), s.defaultValue) << s.key;
      EXPECT_LT(s.minimum, s.maximum) << s.key;
    }
  }
}

TEST(SettingsTable, KoreanTagSettingsDefaultToReadingCp949AndWritingUtf16) {
  Settings s;
  EXPECT_TRUE(s.Bool(kSettingReadLatin1TagsAsCp949));
  EXPECT_FALSE(s.Bool(kSettingWriteKoreanTagsAsCp949));
  EXPECT_EQ(s.Spec(kSettingReadLatin1TagsAsCp949).label, "Read ISO-8859-1 tag text as CP949");
  EXPECT_EQ(s.Spec(kSettingWriteKoreanTagsAsCp949).label, "Write Korean tag text as CP949 for older players");
}

TEST_F(SettingsTest, MissingFileLeavesDefaultsAndReportsNothing) {
  Settings s(kTestTable);
  s.SetInt("play.preroll", 7);
  EXPECT_TRUE(s.Load((dir / "none.ini").string()).empty());
  EXPECT_TRUE(s.Bool("tags.flag"));
  EXPECT_EQ(s.Int("play.preroll"), 2);
  EXPECT_EQ(s.String("lyrics.name"), "song");
}

TEST_F(SettingsTest, LoadReadsValuesAndReportsEachBadLineKeepingItsDefault) {
  Put(dir / "settings.ini",
      "# comment\n"
      "; another\n"
      "[section]\n"
      "tags.flag = off\n"
      "play.preroll=11\n"
      "lyrics.name =  \xEC\xB0\xBD\xEC\xB2\x9C  \r\n"
      "just words\n"
      "play.preroll = two\n");
  Settings s(kTestTable);
  const auto problems = s.Load((dir / "settings.ini").string());
  ASSERT_EQ(problems.size(), 3u);
  EXPECT_EQ(problems[0], "settings.ini line 5: 11 is outside 0..10 for play.preroll");
  EXPECT_EQ(problems[1], "settings.ini line 7: no '=' in 'just words'");
  EXPECT_EQ(problems[2], "settings.ini line 8: 'two' is not a whole number for play.preroll");
  EXPECT_FALSE(s.Bool("tags.flag"));
  EXPECT_EQ(s.Int("play.preroll"), 2);
  EXPECT_EQ(s.String("lyrics.name"), "\xEC\xB0\xBD\xEC\xB2\x9C");
}

TEST_F(SettingsTest, SaveCreatesTheFolderAndLoadGivesTheValuesBackKeepingUnknownKeys) {
  const fs::path file = dir / "deep" / "er" / "settings.ini";
  fs::create_directories(file.parent_path());
  Put(file, "newer.version.key = 3\ntags.flag = true\n");
  Settings s(kTestTable);
  EXPECT_TRUE(s.Load(file.string()).empty());
  s.SetBool("tags.flag", false);
  s.SetInt("play.preroll", 25);  // clamped to the row's range
  s.SetString("lyrics.name", "two\nlines");
  std::string error;
  fs::remove_all(dir / "deep");
  ASSERT_TRUE(s.Save(file.string(), &error)) << error;
  EXPECT_EQ(Get(file),
            "# Vexalo Caption Editor settings\n"
            "tags.flag = false\n"
            "play.preroll = 10\n"
            "lyrics.name = two lines\n"
            "newer.version.key = 3\n");
  Settings again(kTestTable);
  EXPECT_TRUE(again.Load(file.string()).empty());
  EXPECT_FALSE(again.Bool("tags.flag"));
  EXPECT_EQ(again.Int("play.preroll"), 10);
  EXPECT_EQ(again.String("lyrics.name"), "two lines");
}

TEST_F(SettingsTest, SaveIntoAPathThatCannotBeAFolderFailsWithTheReason) {
  Put(dir / "plain", "x");
  Settings s(kTestTable);
  std::string error;
  EXPECT_FALSE(s.Save((dir / "plain" / "settings.ini").string(), &error));
  EXPECT_NE(error.find("cannot create"), std::string::npos) << error;
  EXPECT_NE(error.find("plain"), std::string::npos) << error;
  EXPECT_EQ(Get(dir / "plain"), "x");
}

TEST(SettingsDeathTest, AKeyNotInTheTableAborts) {
  Settings s(kTestTable);
  EXPECT_DEATH(s.Bool("tags.missing"), "no setting named 'tags.missing'");
}

class SettingsPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"VEXALO_CONFIG_DIR", "XDG_CONFIG_HOME", "HOME"}) {
      const char* v = std::getenv(name);
      saved.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
      ::unsetenv(name);
    }
  }
  void TearDown() override {
    for (auto& [name, value] : saved) {
      if (value) ::setenv(name, value->c_str(), 1);
      else ::unsetenv(name);
    }
  }
  std::vector<std::pair<const char*, std::optional<std::string>>> saved;
};

TEST_F(SettingsPathTest, OverrideThenXdgThenHome) {
  EXPECT_EQ(SettingsFilePath(), "");
  ::setenv("HOME", "/home/u", 1);
  EXPECT_EQ(SettingsFilePath(), "/home/u/.config/vexalo-caption/settings.ini");
  ::setenv("XDG_CONFIG_HOME", "relative", 1);  // not absolute: ignored, as the XDG rules say
  EXPECT_EQ(SettingsFilePath(), "/home/u/.config/vexalo-caption/settings.ini");
  ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
  EXPECT_EQ(SettingsFilePath(), "/cfg/vexalo-caption/settings.ini");
  ::setenv("VEXALO_CONFIG_DIR", "/tmp/scratch", 1);
  EXPECT_EQ(SettingsFilePath(), "/tmp/scratch/settings.ini");
}

}  // namespace
