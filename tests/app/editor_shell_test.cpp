// The Editor's side of the settings and the shell.
#include "app/shell.h"
#include "base/paths.h"
#include "platform/desktop.h"
#include "settings/configuration.h"
#include "support/editor_fixture.h"
#include "support/fake_player.h"

namespace kavrel::test {
namespace {

namespace fs = std::filesystem;
namespace ob = option_byte;
using O = OptionItem;
using R = MessageResult;

class EditorShellTest : public EditorFixture {
 protected:
  EditorShellTest() {
    fs::create_directories(data);
    editor.dataFolder = data;
    editor.configurationPath = ini;
    editor.loadConfiguration();
  }
  std::string mp3(const std::string& name) { return write(name, Mp3Builder().frames(20)); }
  StoredConfiguration stored() const {
    return decodeConfiguration(readFile(ini)).value_or(StoredConfiguration{});
  }
  // Asks whether the window may close, answering a question with `answer`.
  std::string closing(std::optional<R> answer = std::nullopt) {
    clear();
    if (answer) host.answer(*answer);
    const bool closes = editor.closeWindowQuery();
    return std::string(closes ? "closes" : "stays") + (host.messages().empty() ? "" : " after asking");
  }
  std::string data = dir.file("data");
  std::string ini = data + "/kavrel.ini";
};

TEST_F(EditorShellTest, StartupReadsOrRenewsKavrelIniAndCleansLeftoversOnlyAsTheFirstCopy) {
  const std::string home = dir.file("home"), preview = home + "/kavrel.Preview.mp3";
  fs::create_directories(home);
  Options reference;  // the defaults, the windows centred by the host
  resetConfiguration(reference, home, [&](size_t slot) { return host.centredWindowPosition(slot); });
  const std::vector<uint8_t> defaults = encodeConfiguration(gatherConfiguration(reference));
  // Starts a copy with a leftover in place: first or second copy, the notice
  // (1 no data folder, 2 a new kavrel.ini), whether the leftover went.
  const auto start = [&](InstanceRegistry& registry, Editor& e) {
    writeFile(preview, {1});
    const StartupState s = startProgram(e, registry);
    return std::string(s.secondInstance ? "second" : "first") + " notice " + std::to_string(int(s.notice)) +
           (fs::exists(preview) ? " kept" : " cleaned");
  };
  {
    EnvScope unusable{"KAVREL_HOME", dir.file("a-file/data")};  // a folder that cannot be made
    writeFile(dir.file("a-file"), {1});
    InstanceRegistry registry(dir.path());
    EXPECT_EQ(start(registry, editor), "first notice 1 kept");
  }
  EnvScope kavrelHome{"KAVREL_HOME", home};
  auto first = std::make_unique<InstanceRegistry>(dir.path());
  EXPECT_EQ(start(*first, editor), "first notice 2 cleaned");
  EXPECT_EQ(editor.configurationPath, home + "/kavrel.ini");
  EXPECT_EQ(readFile(editor.configurationPath), defaults);
  editor.options().autoExit = 2;
  editor.saveConfiguration();
  {
    InstanceRegistry second(dir.path());
    Editor other(host);
    EXPECT_EQ(start(second, other), "second notice 0 kept");
    EXPECT_EQ(other.options().autoExit, 2);
  }
  first.reset();  // the first copy ended: the next start cleans up; a broken kavrel.ini is renewed
  writeFile(editor.configurationPath, {5, 0, 'a', 'b'});
  InstanceRegistry third(dir.path());
  EXPECT_EQ(start(third, editor), "first notice 2 cleaned");
  EXPECT_EQ(readFile(editor.configurationPath), defaults);
}

TEST_F(EditorShellTest, SaveLoadAndResetOfTheOptions) {
  editor.options().autoReload = true;
  host.answerSaveFile(data + "/copy.ini");  // refused: asked again
  host.answerSaveFile(dir.file("copy.ini"));
  editor.saveConfigurationAsCommand();
  const FileDialogRequest& r = host.requests.at(1);
  EXPECT_EQ(r.title + "|" + r.filter + "|" + r.folder + (r.confirmOverwrite ? "|confirm" : ""),
            "save options as|ini files|*.ini|all files|*.*|" + homeFolder() + "|confirm");
  EXPECT_EQ(boxes(),
            "!Warning: You are not allowed to save to application working folder.\r\n"
            "Please change the path.");
  EXPECT_FALSE(fs::exists(data + "/copy.ini"));
  EXPECT_EQ(readFile(dir.file("copy.ini")), readFile(ini));  // kavrel.ini written too
  EXPECT_EQ(stored().record[ob::kAutoReload], 1);
  host.answerSaveFile(dir.file("no/such/folder/x.ini"));
  editor.saveConfigurationAsCommand();
  EXPECT_EQ(boxes(), "x error: Disk error writing the file.");
  // Loading: the data folder refused, then the other file's settings, kept in kavrel.ini.
  editor.options().autoExit = 2;
  ASSERT_TRUE(writeConfigurationFile(editor.options(), dir.file("other.ini")));
  editor.options().autoExit = 0;
  host.answerOpenFile(ini);
  host.answerOpenFile(dir.file("other.ini"));
  editor.loadConfigurationFromCommand();
  EXPECT_EQ(boxes(), "x error: You are not allowed to load from application working folder.");
  EXPECT_EQ(host.requests.back().title, "load options from");
  EXPECT_EQ(std::pair(int(stored().record[ob::kAutoExit]), editor.options().lastConfigurationFolder),
            std::pair(2, dir.path()));
  // A broken file: the message, and the settings of kavrel.ini stay.
  writeFile(dir.file("broken.ini"), {1, 2, 3});
  editor.options().autoExit = 1;  // written before the read, then read back
  host.answerOpenFile(dir.file("broken.ini"));
  editor.loadConfigurationFromCommand();
  EXPECT_EQ(boxes(), "x error: Disk error reading the file.");
  EXPECT_EQ(editor.options().autoExit, 1);
  // Reset asks first.
  host.answer({R::No, R::Yes});
  editor.resetConfigurationCommand();
  EXPECT_EQ(host.lastMessage().buttons, MessageButtons::YesNo);
  EXPECT_EQ(host.lastMessage().defaultButton, R::No);
  EXPECT_EQ(boxes(), "!options reset: Are you certain?");
  EXPECT_EQ(editor.options().autoExit, 1);
  editor.resetConfigurationCommand();
  EXPECT_EQ(std::tuple(stored().record[ob::kAutoExit], stored().record[ob::kAutoReload]), std::tuple(0, 0));
}

TEST_F(EditorShellTest, MenuCommandsActOnlyWhenIdle) {
  const std::string a = mp3("a.mp3");
  editor.options().recentFiles[0] = a;
  // clang-format off
  const std::vector<std::function<void()>> commands = {
      [&] { editor.chooseOption(O::Overwrite); }, [&] { editor.chooseOption(O::AutoReload); },
      [&] { editor.saveConfigurationAsCommand(); }, [&] { editor.loadConfigurationFromCommand(); },
      [&] { editor.resetConfigurationCommand(); }, [&] { editor.openRecentFile(0); },
      [&] { editor.dropFiles({a, a}); }, [&] { editor.openCommand(); }};
  // clang-format on
  const StoredConfiguration before = gatherConfiguration(editor.options());
  host.clearRecord();
  for (bool* flag : {&editor.scriptRunning, &editor.dialogOpen}) {
    *flag = true;
    for (size_t i = 0; i < commands.size(); ++i) {
      commands[i]();
      EXPECT_TRUE(host.requests.empty() && host.messages().empty() && !editor.document().documentLoaded) << i;
      EXPECT_EQ(gatherConfiguration(editor.options()).record, before.record) << i;
    }
    EXPECT_FALSE(editor.quickSaveCommand());
    *flag = false;
  }
}

TEST_F(EditorShellTest, OptionItemsSetTheirOptionsAndShowThemChecked) {
  // Only the overwrite policy reaches kavrel.ini at once; the rest at the next write.
  editor.chooseOption(O::AutoReload);
  EXPECT_EQ(stored().record[ob::kAutoReload], 0);
  editor.chooseOption(O::Overwrite);
  EXPECT_EQ(std::tuple(stored().record[ob::kOverwritePolicy], stored().record[ob::kAutoReload]),
            std::tuple(2, 1));
  // Every item in menu order: the byte it sets and to what (toggles flip theirs).
  // clang-format off
  const std::pair<size_t, int> sets[kOptionItemCount] = {
      {403, 0}, {398, 0}, {397, 1}, {396, 0}, {415, 1}, {407, 1},
      {385, 0}, {385, 1}, {385, 2}, {388, 0}, {388, 1}, {388, 2},
      {386, 2}, {386, 130}, {386, 3}, {386, 131}, {386, 4}, {386, 132},
      {390, 0}, {390, 1}, {390, 2}, {390, 3}, {390, 4}, {390, 5}, {390, 6},
      {394, 0}, {394, 1}, {394, 2}, {395, 0}, {395, 1}, {395, 2}, {401, 0}, {401, 1}};
  // clang-format on
  for (size_t i = 0; i < kOptionItemCount; ++i) {
    editor.chooseOption(OptionItem(i));
    EXPECT_EQ(gatherConfiguration(editor.options()).record[sets[i].first], sets[i].second)
        << kOptionItems[i].name;
    for (size_t k = 0; k < kOptionItemCount; ++k) {  // a radio item alone checked in its group
      if (sets[k].first == sets[i].first) {
        EXPECT_EQ(editor.optionChecked(OptionItem(k)), kOptionItems[k].radio ? k == i : sets[k].second != 0)
            << kOptionItems[i].name << " " << kOptionItems[k].name;
      }
    }
  }
  const int statistics = host.viewChanges(ViewChange::Statistics);
  editor.chooseOption(O::InputStats);
  EXPECT_EQ(host.viewChanges(ViewChange::Statistics), statistics + 1);
}

TEST_F(EditorShellTest, RecentFilesOpenAndDrop) {
  const std::string a = mp3("a.mp3"), b = mp3("B.MP3");
  for (const std::string& path : {a, b, a}) ASSERT_TRUE(editor.loadFile(path));
  EXPECT_EQ(editor.options().recentFiles, (std::array<std::string, 5>{a, b, "", "", ""}));
  EXPECT_EQ(stored().strings[config_string::kRecentFile1 + 2], b);
  EXPECT_EQ(editor.recentFileCaption(1) + editor.recentFileCaption(5), " &2. B");
  EXPECT_TRUE(editor.recentFileAvailable(1) && !editor.recentFileAvailable(2));
  fs::remove(b);
  EXPECT_FALSE(editor.recentFileAvailable(1));  // gone from outside
  ASSERT_TRUE(editor.loadFile(mp3("c.mp3")));
  editor.openRecentFile(1);
  EXPECT_EQ(editor.document().loadPath, a);
  const std::string chosen = mp3("b.mp3");
  editor.options().lastInsertFolder = "/somewhere";
  host.answerOpenFile(chosen);
  editor.openCommand();
  ASSERT_EQ(host.requests.size(), 1u);
  EXPECT_EQ(host.requests[0].title + "|" + host.requests[0].folder,
            " CHOOSE THE SOURCE FILE |/somewhere");
  EXPECT_EQ(editor.document().loadPath, chosen);
  EXPECT_EQ(stored().strings[config_string::kOpenFolder], dir.path());  // remembered, and stored
  editor.dropFiles({a, chosen});
  EXPECT_EQ(editor.document().loadPath, a);
  EXPECT_EQ(boxes(),
            "!Warning: Drag & drop enabled for single file only.\r\nFirst file from the list loaded.");
}

TEST_F(EditorShellTest, ClosingAsksAboutUnsavedChangesOnlyWhenTheOptionSaysSo) {
  ASSERT_TRUE(editor.loadFile(mp3("a.mp3")));
  editor.selection = {2, 5};
  editor.select();
  editor.deleteSelection(Sender::User);
  EXPECT_EQ(closing(), "closes");  // option off: no question
  editor.options().promptToSaveChanges = true;
  EXPECT_EQ(closing(R::Cancel), "stays after asking");
  EXPECT_EQ(host.messages()[0].buttons, MessageButtons::YesNoCancel);
  EXPECT_EQ(boxes(), "?closing: Do you wish to save the changes?");
  EXPECT_EQ(stored().record[ob::kPromptToSave], 1);  // the configuration was written all the same
  EXPECT_EQ(closing(R::No), "closes after asking");
  host.answerSaveFile(std::nullopt);
  EXPECT_EQ(closing(R::Yes), "stays after asking");  // the save dialog was cancelled
  host.answerSaveFile(dir.file("saved.mp3"));
  EXPECT_EQ(closing(R::Yes), "closes after asking");
  EXPECT_TRUE(fs::exists(dir.file("saved.mp3")));
  EXPECT_EQ(closing(), "closes");               // saved: nothing to ask
  editor.setRemoveChecked(Block::Id3v1, true);  // a checked removal box counts as a change
  EXPECT_EQ(closing(R::Cancel), "stays after asking");
  editor.scriptRunning = true;  // while a script runs nobody is asked
  EXPECT_EQ(closing(), "closes");
  // A start-up notice still waiting: closing writes no configuration.
  fs::remove(ini);
  editor.startupNoticePending = true;
  EXPECT_EQ(closing(), "closes");
  EXPECT_FALSE(fs::exists(ini));
  editor.startupNoticePending = false;
  EXPECT_EQ(closing(), "closes");
  EXPECT_TRUE(fs::exists(ini));
}

TEST_F(EditorShellTest, AutomaticExitAfterCloseAndQuickSave) {
  const std::string a = mp3("a.mp3");
  for (const auto& [option, withParameter, exits] :
       {std::tuple(0, true, false), std::tuple(1, true, true), std::tuple(1, false, false),
        std::tuple(2, false, true)}) {
    editor.options().autoExit = option;
    editor.calledWithParameter = withParameter;
    ASSERT_TRUE(editor.loadFile(a));
    EXPECT_EQ(editor.closeCommand(), exits) << option << withParameter;
    ASSERT_TRUE(editor.loadFile(a));
    EXPECT_EQ(editor.quickSaveCommand(), exits) << option << withParameter;
  }
  // Reloading after the save keeps the program open.
  editor.options().autoReload = true;
  ASSERT_TRUE(editor.loadFile(a));
  EXPECT_TRUE(!editor.quickSaveCommand() && editor.document().documentLoaded);
}

TEST_F(EditorShellTest, HelpFilesAreOpenedWithTheDesktopsProgram) {
  std::string opened;
  int result = kShellSuccess;  // just enough
  editor.shellOpener = [&](const std::string& p) {
    opened += p + "|";
    return result;
  };
  const std::string help = data + "/kavrel.local.help.file.htm";
  editor.helpCommand(help);
  EXPECT_EQ(boxes() + opened, "x error: The help file is missing.");
  writeFile(help, {1});
  editor.helpCommand(help);
  EXPECT_EQ(boxes() + opened, help + "|");
  result = kShellNoAssociation;
  editor.helpCommand(help);
  EXPECT_EQ(boxes(), "x error: System error trying to display the file");
}

}  // namespace
}  // namespace kavrel::test
