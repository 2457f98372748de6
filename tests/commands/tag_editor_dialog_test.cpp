#include "commands/tag_editor_dialog.h"

#include <sys/stat.h>

#include <map>

#include "command_test_env.h"
#include "common/control_ids.h"
#include "tags/genre_names.h"
#include "tags/id3v2_writer.h"
#include "tags/tag_editor_logic.h"
#include "tags/tag_fields.h"

namespace vexalo::test {
namespace {

// The dialog's widgets as plain values, recording what the behaviour did to them.
class FakeTagControls : public TagEditorControls {
 public:
  void SetFieldText(int id, const std::string& text) override { fields[id] = text; }
  std::string GetFieldText(int id) override { return fields[id]; }
  void FillGenreList(const std::vector<std::string>& names) override { list = names; }
  void ClearGenreList() override {
    list.clear();
    selected = -1;
  }
  void SelectGenre(int index) override { selected = index; }
  std::string SelectedGenreText() override {
    return selected >= 0 && selected < static_cast<int>(list.size()) ? list[selected] : std::string();
  }
  void ShowDialog() override {
    visible = true;
    ++shows;
  }
  void HideDialog() override { visible = false; }

  // What a user does: picks a list entry by its name.
  void Pick(const std::string& name) {
    for (std::size_t i = 0; i < list.size(); ++i)
      if (list[i] == name) selected = static_cast<int>(i);
  }

  std::map<int, std::string> fields;
  std::vector<std::string> list;
  int selected = -1;
  bool visible = false;
  int shows = 0;
};

class TagEditorDialogTest : public CommandTest {
 protected:
  void SetUp() override {
    CommandTest::SetUp();
    CurrentTagFields.Clear();
    CurrentGenre = 0;
    SetTagEditorDialog(&dialog);
  }
  void TearDown() override {
    SetTagEditorDialog(nullptr);
    CommandTest::TearDown();
  }
  void Slots(const std::string& title, const std::string& genre) {
    CurrentTagFields.Clear();
    CurrentTagFields.SetText(kTagTrack, "7");
    CurrentTagFields.SetText(kTagTitle, title);
    CurrentTagFields.SetText(kTagArtist, "Artist");
    CurrentTagFields.SetText(kTagAlbum, "Album");
    CurrentTagFields.SetText(kTagYear, "2024");
    CurrentTagFields.SetText(kTagComment, "line one\r\nline two");
    CurrentTagFields.SetText(kTagGenre, genre);
  }
  TagFields ReadBack(const std::string& path) {
    TagFields f;
    unsigned char block[kLyricsCapacity] = {};
    EXPECT_EQ(ReadTagFields(path, f, block), 1);
    return f;
  }

  FakeTagControls controls;
  TagEditorDialog dialog{controls};
};

TEST_F(TagEditorDialogTest, ShowingPutsTheSlotsIntoTheControlsAndSelectsTheFilesGenre) {
  Slots("Sine Song", "(17)Rock");
  CurrentGenre = 3;
  OnId3TagEditor();

  EXPECT_TRUE(dialog.IsShowing());
  EXPECT_TRUE(controls.visible);
  EXPECT_EQ(controls.fields[kIdcTagTrack], "7");
  EXPECT_EQ(controls.fields[kIdcTagTitle], "Sine Song");
  EXPECT_EQ(controls.fields[kIdcTagArtist], "Artist");
  EXPECT_EQ(controls.fields[kIdcTagAlbum], "Album");
  EXPECT_EQ(controls.fields[kIdcTagYear], "2024");
  EXPECT_EQ(controls.fields[kIdcTagComment], "line one\r\nline two");
  ASSERT_EQ(controls.list.size(), static_cast<std::size_t>(kGenreCount));
  for (std::size_t i = 1; i < controls.list.size(); ++i)
    EXPECT_TRUE(GenreListLess(controls.list[i - 1], controls.list[i])) << controls.list[i];
  EXPECT_EQ(controls.SelectedGenreText(), "Rock");
  EXPECT_EQ(CurrentGenre, 17);
}

TEST_F(TagEditorDialogTest, GenreByNameAloneIsSelectedToo) {
  Slots("t", "rock");
  OnId3TagEditor();
  EXPECT_EQ(controls.SelectedGenreText(), "Rock");
  EXPECT_EQ(CurrentGenre, 17);
}

TEST_F(TagEditorDialogTest, UnknownGenreSelectsNothingAndKeepsTheCurrentGenre) {
  Slots("t", "Zydeco Fusion");
  CurrentGenre = 113;
  OnId3TagEditor();
  EXPECT_EQ(controls.selected, -1);
  EXPECT_EQ(CurrentGenre, 113);
}

TEST_F(TagEditorDialogTest, OpeningTwiceWhileShownDoesNothingTheSecondTime) {
  Slots("Sine Song", "(17)Rock");
  OnId3TagEditor();
  controls.fields[kIdcTagTitle] = "typed by the user";
  controls.Pick("Tango");
  dialog.OnGenreSelChange();

  OnId3TagEditor();
  EXPECT_EQ(controls.shows, 1);
  EXPECT_EQ(controls.fields[kIdcTagTitle], "typed by the user");
  EXPECT_EQ(controls.SelectedGenreText(), "Tango");
  EXPECT_EQ(CurrentGenre, 113);
}

TEST_F(TagEditorDialogTest, WithoutARegisteredDialogTheCommandDoesNothing) {
  SetTagEditorDialog(nullptr);
  OnId3TagEditor();
  EXPECT_EQ(controls.shows, 0);
}

TEST_F(TagEditorDialogTest, SelectionChangeSetsTheGenreByExactName) {
  Slots("t", "(17)Rock");
  OnId3TagEditor();
  controls.Pick("Psychadelic");
  dialog.OnGenreSelChange();
  EXPECT_EQ(CurrentGenre, 67);
  controls.Pick("Rock & Roll");
  dialog.OnGenreSelChange();
  EXPECT_EQ(CurrentGenre, 78);
}

TEST_F(TagEditorDialogTest, OkWithoutAnOpenFileSaysSoAndCloses) {
  Slots("Sine Song", "(17)Rock");
  OnId3TagEditor();
  controls.fields[kIdcTagTitle] = "New Title";
  dialog.OnOk();

  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text, "MP3 file open Error !!!");
  EXPECT_EQ(view.messages[0].title, "Vexalo Caption Editor");
  EXPECT_EQ(view.messages[0].style, MessageStyle::Ok);
  EXPECT_FALSE(dialog.IsShowing());
  EXPECT_FALSE(controls.visible);
  EXPECT_TRUE(controls.list.empty());
  // The slots hold what the controls showed, with the genre in its written form.
  EXPECT_EQ(CurrentTagFields.Text(kTagTitle), "New Title");
  EXPECT_EQ(CurrentTagFields.Text(kTagGenre), "(17)Rock");
  EXPECT_EQ(CurrentTagFields.length[kTagTitle], 9);

  OnId3TagEditor();  // closed dialogs open again, with a fresh list
  EXPECT_EQ(controls.shows, 2);
  EXPECT_EQ(controls.list.size(), static_cast<std::size_t>(kGenreCount));
}

TEST_F(TagEditorDialogTest, OkWritesTheControlsIntoTheOpenFilesTag) {
  CurrentMp3Path = CopyFixture("stereo_44k.mp3", "song.mp3");
  Slots("Sine Song", "(17)Rock");
  OnId3TagEditor();
  controls.fields[kIdcTagTitle] = "Second Title";
  controls.fields[kIdcTagYear] = "1999";
  controls.Pick("Tango");
  dialog.OnGenreSelChange();
  dialog.OnOk();

  EXPECT_TRUE(view.messages.empty());
  TagFields f = ReadBack(CurrentMp3Path);
  EXPECT_EQ(f.Text(kTagTitle), "Second Title");
  EXPECT_EQ(f.Text(kTagYear), "1999");
  EXPECT_EQ(f.Text(kTagArtist), "Artist");
  EXPECT_EQ(GenreForSlot(f.Text(kTagGenre)), 113);
  EXPECT_FALSE(dialog.IsShowing());
}

TEST_F(TagEditorDialogTest, FileWithoutGenreGetsTheListsFirstEntry) {
  CurrentMp3Path = CopyFixture("stereo_44k.mp3", "plain.mp3");
  CurrentTagFields.Clear();
  OnId3TagEditor();
  ASSERT_EQ(controls.selected, 0);
  int first = GenreListOrder()[0];
  EXPECT_EQ(CurrentGenre, first);
  dialog.OnOk();
  EXPECT_EQ(GenreForSlot(ReadBack(CurrentMp3Path).Text(kTagGenre)), first);
}

TEST_F(TagEditorDialogTest, ReadOnlyFileIsReportedAndLeftAsItWas) {
  std::string path = CopyFixture("tagged_v23.mp3", "locked.mp3");
  std::string before = Get(path);
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  CurrentMp3Path = path;
  Slots("Sine Song", "(17)Rock");
  OnId3TagEditor();
  controls.fields[kIdcTagTitle] = "Changed";
  dialog.OnOk();

  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text, "MP3 file Read-Only Error !!!");
  EXPECT_EQ(view.messages[0].title, "Vexalo Caption Editor");
  EXPECT_NE(view.statusTexts[kPanePrompt].find("read-only"), std::string::npos) << view.statusTexts[kPanePrompt];
  EXPECT_EQ(Get(path), before);
  EXPECT_FALSE(dialog.IsShowing());
}

TEST_F(TagEditorDialogTest, MissingFileGivesTheWritersMessage) {
  CurrentMp3Path = PathIn("gone.mp3");
  OnId3TagEditor();
  dialog.OnOk();
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text, TagWriteMessage(TagWriteResult::kCannotOpen));
  EXPECT_NE(view.statusTexts[kPanePrompt].find("No such file or directory"), std::string::npos)
      << view.statusTexts[kPanePrompt];
  EXPECT_FALSE(fs::exists(CurrentMp3Path));
}

TEST_F(TagEditorDialogTest, CancelClosesAndKeepsTheSlots) {
  Slots("Sine Song", "(17)Rock");
  OnId3TagEditor();
  controls.fields[kIdcTagTitle] = "Not kept";
  controls.Pick("Tango");
  dialog.OnGenreSelChange();
  dialog.OnCancel();

  EXPECT_FALSE(dialog.IsShowing());
  EXPECT_FALSE(controls.visible);
  EXPECT_TRUE(controls.list.empty());
  EXPECT_EQ(CurrentTagFields.Text(kTagTitle), "Sine Song");
  EXPECT_EQ(CurrentTagFields.Text(kTagGenre), "(17)Rock");
  EXPECT_EQ(CurrentGenre, 113);  // the list's choice outlives the showing
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(TagEditorDialogTest, OkAfterAnotherFileWasOpenedWritesWhatTheControlsShow) {
  std::string first = CopyFixture("tagged_v23.mp3", "first.mp3");
  std::string second = CopyFixture("tagged_v24.mp3", "second.mp3");
  CurrentMp3Path = first;
  Slots("Shown Title", "(17)Rock");
  OnId3TagEditor();
  // Another file is opened while the dialog is on screen: the slots are refilled, the
  // controls are not.
  CurrentMp3Path = second;
  Slots("Second File Title", "(13)Pop");
  dialog.OnOk();
  EXPECT_EQ(ReadBack(second).Text(kTagTitle), "Shown Title");
  EXPECT_EQ(ReadBack(first).Text(kTagTitle), "Sine Song");
}

}  // namespace
}  // namespace vexalo::test
