#include <gtest/gtest.h>

#include <array>
#include <string>

#include "common/text_codec.h"
#include "support/hangul_tag_cases.h"
#include "sync/sync_table.h"
#include "sync/sync_text.h"

using namespace vexalo;
using vexalo::test::HangulTagCases;

TEST(HangulTagMarks, FormsCodecLoaderBlockAndPanelStepOverWholeCharacters) {
  const std::string firstTag = "\xA2\xE2" "00000100" "\xA2\xD0\r\n";
  for (const auto& c : HangulTagCases()) {
    std::string text = c.stored;
    StoredToEditorForm(text);
    EXPECT_EQ(text, c.editor) << c.name;
    text = c.editor;
    ASSERT_TRUE(EditorToStoredForm(text)) << c.name;
    EXPECT_EQ(text, c.stored) << c.name;

    const LoadedSyncText loaded = LoadSyncText(c.stored);
    EXPECT_TRUE(loaded.fits) << c.name;
    EXPECT_EQ(loaded.text, c.editor) << c.name;

    const Cp949Decoded shown = DecodeCp949(c.editor);
    EXPECT_EQ(shown.utf8, c.shown) << c.name;
    EXPECT_EQ(EncodeCp949(c.shown).bytes, c.editor) << c.name;

    std::array<unsigned char, kSyncBlockBytes> block{};
    std::string error;
    ASSERT_TRUE(BuildSyncBlock(firstTag + c.stored, block, error)) << c.name << ": " << error;
    ResetSyncTable(1);
    ASSERT_EQ(ParseSyncBlock(kSyncMagic, block), 1) << c.name;
    EXPECT_EQ(RebuildSyncText(), firstTag + c.stored) << c.name;

    std::array<unsigned char, kLyricPanelBytes> panel{};
    ASSERT_GE(FormatLyricPanel(0, 0, 1, 0, panel), 0) << c.name;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(panel.data()) + 16), c.panel) << c.name;
  }
}
