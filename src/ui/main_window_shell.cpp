// The menus of the main window: File (open, reload, save, recent files,
// exit, exit all), Edit, Audio, Play, Options, Scripts and Help; the start of the
// program and the close requests of other copies.

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <filesystem>

#include "settings/configuration.h"
#include "app/shell_messages.h"
#include "document/messages.h"
#include "script/messages.h"
#include "script/runner.h"
#include "ui/dialogs/file_dialogs.h"
#include "ui/main_window.h"
#include "ui/qt_strings.h"

namespace kavrel {

QAction* MainWindow::action(const char* name) const { return findChild<QAction*>(name); }

void MainWindow::buildMenus() {
  // Every action gets a name; a command's actions follow its availability.
  auto named = [this](QAction* a, const char* name, std::optional<Command> command = std::nullopt) {
    a->setObjectName(name);
    if (command) commandActions_.emplace_back(*command, a);
    return a;
  };
  // --- File
  QMenu* file = menuBar()->addMenu("&File");
  file->setObjectName("filemenu");
  named(file->addAction("&Open...", QKeySequence::Open, this,
                        [this] {
                          editor_->openCommand();
                          afterCommand();
                        }),
        "MenuLoad");
  named(file->addAction("&Reload", this,
                        [this] {
                          editor_->reload();
                          afterCommand();
                        }),
        "MenuReload", Command::Reload);
  named(file->addAction("&Save", QKeySequence::Save, this,
                        [this] {
                          const bool exit = editor_->quickSaveCommand();
                          afterCommand();
                          if (exit) close();
                        }),
        "MenuQuickSave", Command::Save);
  named(file->addAction("Save &As...", this,
                        [this] {
                          editor_->saveAs(Sender::User);
                          afterCommand();
                        }),
        "MenuSaveAs", Command::SaveAs);
  named(file->addAction(" &Close (not needed)    (Ctrl+F4)", this,
                        [this] {
                          const bool exit = editor_->closeCommand();
                          afterCommand();
                          if (exit) close();
                        }),
        "MenuClose", Command::Close);
  file->addSeparator();
  for (int i = 0; i < 5; ++i) {
    recentFiles_[size_t(i)] = named(file->addAction(QString(), this,
                                                    [this, i] {
                                                      editor_->openRecentFile(i);
                                                      afterCommand();
                                                    }),
                                    QString("MenuFileOp%1").arg(i + 1).toLatin1().constData());
  }
  connect(file, &QMenu::aboutToShow, this, &MainWindow::refreshRecentFiles);
  file->addSeparator();
  named(file->addAction("E&xit", this, &MainWindow::exitProgram), "MenuExit");
  named(file->addAction("Exit &all instances", this, &MainWindow::exitAllInstances), "MenuExitAll");
  refreshRecentFiles();

  // --- Edit. The keys named after a tab are the window's key map's
  // (handled before any shortcut would be).
  QMenu* edit = menuBar()->addMenu("&Edit");
  edit->setObjectName("editmenu");
  auto command = [this, edit, named](const char* text, const char* name, Command c, auto run) {
    named(edit->addAction(text, this,
                          [this, run] {
                            run();
                            afterCommand();
                          }),
          name, c);
  };
  auto user = [this](void (Editor::*run)(Sender)) { return [this, run] { (editor_.get()->*run)(Sender::User); }; };
  command("Select &all\tCtrl+A", "MenuSelAll", Command::SelectAll, user(&Editor::selectAll));
  command("&Unselect\tCtrl+Alt+A", "MenuUnsel", Command::Unselect, user(&Editor::unselectCommand));
  edit->addSeparator();
  command("&Delete\tCtrl+Del", "MenuDel", Command::Delete, user(&Editor::deleteSelection));
  command("Cu&t\tCtrl+X", "MenuCut", Command::Cut, user(&Editor::cut));
  command("&Copy\tCtrl+C", "MenuCopy", Command::Copy, user(&Editor::copy));
  command("&Paste\tCtrl+V", "MenuPaste", Command::Paste, user(&Editor::paste));
  command("Tri&m (crop to the selection)", "MenuCrop", Command::Trim, user(&Editor::trim));
  command("U&ndo\tCtrl+Z", "MenuUndo", Command::Undo, user(&Editor::undo));
  edit->addSeparator();
  command(" Insert (paste) &external file    (Ctrl+Ins)", "MenuInsert", Command::Insert,
          [this] { editor_->insertFile(Sender::User); });
  command("add S&ilence...", "MenuSilence", Command::InsertSilence, [this] { editor_->insertSilence(Sender::User); });
  command("&Vol./bal. ...", "MenuAmplify", Command::Volume, [this] { editor_->amplify(Sender::User); });
  command("Fa&de in/out...", "MenuFade", Command::Fade, [this] { editor_->fade(Sender::User); });
  edit->addSeparator();
  command("&Split...\tCtrl+F12", "MenuSplit", Command::Split, [this] { editor_->split(Sender::User); });
  command("Save se&lection...\tCtrl+F8", "MenuSaveSel", Command::SaveSelection,
          [this] { editor_->saveSelection(Sender::User); });

  // --- Audio: decoded only to be measured; every change stays lossless.
  QMenu* audio = menuBar()->addMenu("&Audio");
  audio->setObjectName("MenuAudio");
  auto audioAction = [this, audio](const char* text, const char* name, auto run) {
    QAction* a = audio->addAction(text, this, [this, run] {
      run();
      afterCommand();
    });
    a->setObjectName(name);
    return a;
  };
  audioAction("&Loudness...", "MenuLoudness", [this] { editor_->showLoudness(); });
  audioAction("&Normalize...", "MenuNormalize", [this] { editor_->normalize(Sender::User); });
  audio->addSeparator();
  audioAction("Select next si&lence", "MenuNextSilence", [this] { editor_->selectNextSilence(Sender::User); });
  QAction* show = audioAction("&Show silences", "MenuShowSilences", [this] {
    editor_->showSilences = !editor_->showSilences;
    if (editor_->showSilences && !editor_->detectSilences(Sender::User)) editor_->showSilences = false;
  });
  show->setCheckable(true);
  audioAction("S&plit at silences...", "MenuSplitSilences", [this] { editor_->splitAtSilences(Sender::User); });
  audio->addSeparator();
  audioAction("Export &cue sheet (at the silences)...", "MenuExportCue", [this] { exportCueSheet(true); });
  audioAction("Export cue sheet (at the c&ursor and selection)...", "MenuExportCueSel",
              [this] { exportCueSheet(false); });
  audioAction("Split along a cue s&heet...", "MenuSplitCue", [this] { splitAlongCueSheet(); });
  // Usable with a document and nothing else going on.
  connect(audio, &QMenu::aboutToShow, this, [this, audio, show] {
    const bool usable = editor_->document().documentLoaded && !editor_->isBusy() && !editor_->scriptRunning;
    for (QAction* a : audio->actions()) a->setEnabled(usable);
    show->setChecked(editor_->showSilences);
  });

  // --- Play: files handed to the desktop's player
  QMenu* play = menuBar()->addMenu("&Play");
  auto playAction = [this, play, named](const char* text, const char* name, Command c,
                                        void (Editor::*run)(Sender)) {
    named(play->addAction(text, this,
                          [this, run] {
                            (editor_.get()->*run)(Sender::User);
                            afterCommand();
                          }),
          name, c);
  };
  playAction("Play &input (loaded) file", "MenuPlaySrc", Command::PlayInput, &Editor::playInput);
  playAction("Play &preview (edited)", "MenuPlayPreview", Command::PlayPreview, &Editor::playPreview);
  playAction("Play &selection", "MenuPlaySel", Command::PlaySelection, &Editor::playSelection);
  playAction("Play &output (saved) file", "MenuPlayOut", Command::PlayOutput, &Editor::playOutput);
  if (editor_->canEnqueue()) {
    play->addSeparator();
    playAction("&Enqueue input (loaded) file", "MenuEnqueueInput", Command::EnqueueInput, &Editor::enqueueInput);
    playAction("E&nqueue preview (edited)", "MenuEnqueuePreview", Command::EnqueuePreview, &Editor::enqueuePreview);
    playAction("En&queue output (saved) file", "MenuEnqueueOutput", Command::EnqueueOutput, &Editor::enqueueOutput);
  }
  // Play commands follow their files: enabled while the file exists.
  auto* availability = new QTimer(this);
  availability->setObjectName("TimerDisappear");
  connect(availability, &QTimer::timeout, this, [this] {
    editor_->refreshPlayAvailability();
    refreshCommands();
  });
  availability->start(937);

  // --- Options
  QMenu* options = menuBar()->addMenu("&Options");
  options->setObjectName("MenuOptions");
  QMenu* submenu = nullptr;
  const char* submenuCaption = nullptr;
  QActionGroup* group = nullptr;
  for (size_t i = 0; i < kOptionItemCount; ++i) {
    const auto item = OptionItem(i);
    if (item == OptionItem::InputStats || item == OptionItem::OutputStats) continue;  // the list's popup
    const OptionItemInfo& info = optionItemInfo(item);
    QMenu* into = options;
    if (info.submenu) {
      if (!submenuCaption || std::string(submenuCaption) != info.submenu) {
        submenu = options->addMenu(info.submenu);
        submenuCaption = info.submenu;
        group = new QActionGroup(submenu);
      }
      into = submenu;
    } else {
      submenuCaption = nullptr;
    }
    QAction* a = named(into->addAction(info.caption, this,
                                       [this, item] {
                                         editor_->chooseOption(item);
                                         refresh();
                                       }),
                       info.name);
    a->setCheckable(true);
    if (info.radio && group) group->addAction(a);
    optionActions_.emplace_back(item, a);
  }
  options->addSeparator();
  named(options->addAction(" &Save complete configuration...", this,
                           [this] {
                             editor_->saveConfigurationAsCommand();
                             refresh();
                           }),
        "MenuSaveOpt");
  named(options->addAction(" &Load complete configuration...", this,
                           [this] {
                             editor_->loadConfigurationFromCommand();
                             refresh();
                           }),
        "MenuLoadOpt");
  named(options->addAction(" R&eset options to default", this,
                           [this] {
                             editor_->resetConfigurationCommand();
                             refresh();
                           }),
        "MenuResetOpt");

  // --- Scripts
  QMenu* scripts = menuBar()->addMenu("&Scripts");
  scripts->setObjectName("MenuScripts");
  auto scriptAction = [&](QMenu* m, const char* text, const char* name, auto run, bool checkable = false) {
    QAction* a = named(m->addAction(text, this,
                                    [this, run] {
                                      run();
                                      afterCommand();
                                    }),
                       name);
    a->setCheckable(checkable);
    return a;
  };
  scriptAction(scripts, " E&xecute a new script...", "MenuScriptLoad",
               [this] { runner_->scriptLoadCommand(); });
  for (int i = 0; i < 5; ++i)
    recentScripts_[size_t(i)] =
        scriptAction(scripts, "", QString("MenuBat%1").arg(i + 1).toLatin1().constData(),
                     [this, i] { runner_->runRecentScript(i); });
  scripts->addSeparator();
  scriptAction(
      scripts, " &Lock scripts order", "MenuLockSO", [this] { runner_->toggleLockScriptsOrder(); }, true);
  scriptAction(
      scripts, " Show a &messagebox after execution", "MenuShowmsgbox",
      [this] { runner_->toggleShowMessageBox(); }, true);
  scriptAction(
      scripts, " &Ignore errors and continue in silent mode", "MenuSilentIgnore",
      [this] { runner_->toggleSilentIgnore(); }, true);
  QMenu* policy = scripts->addMenu(" On &processing error");
  auto* policyGroup = new QActionGroup(policy);
  policyGroup->addAction(scriptAction(
      policy, "&Fail", "MenuFail", [this] { runner_->setProcessingErrorPolicy(ProcessingErrorPolicy::Fail); },
      true));
  policyGroup->addAction(scriptAction(
      policy, "&Prompt", "MenuPrompt",
      [this] { runner_->setProcessingErrorPolicy(ProcessingErrorPolicy::Prompt); }, true));
  policyGroup->addAction(scriptAction(
      policy, "Try to &continue", "MenuTry",
      [this] { runner_->setProcessingErrorPolicy(ProcessingErrorPolicy::TryToContinue); }, true));
  scripts->addSeparator();
  scriptAction(scripts, " Log file &location...", "MenuLogLoc", [this] { runner_->chooseLogLocation(); });
  scriptAction(scripts, " &Read the log file", "MenuReadLog", [this] { runner_->readLogCommand(); });
  scriptAction(scripts, " &Edit a script...", "MenuScriptEdit", [this] { runner_->editScriptCommand(); });

  // --- Help
  QMenu* help = menuBar()->addMenu("&Help");
  named(help->addAction("&Help", this,
                        [this] { editor_->helpCommand(helpFilePath(editor_->dataFolder, kHelpFileName)); }),
        "MenuHelp1");
  named(help->addAction(
            "&Script tutorial", this,
            [this] { editor_->helpCommand(helpFilePath(editor_->dataFolder, kScriptTutorialFileName)); }),
        "MenuHelp2");
}

void MainWindow::refreshRecentFiles() {
  for (int i = 0; i < 5; ++i) {
    QAction* a = recentFiles_[size_t(i)];
    if (!a) continue;
    a->setText(q(editor_->recentFileCaption(i)));
    a->setEnabled(editor_->recentFileAvailable(i));
  }
}

void MainWindow::refreshCommands() {
  // Nothing starts while a dialog, a load or a save holds the document.
  const bool idle = !editor_->isBusy();
  for (const auto& [c, a] : commandActions_) a->setEnabled(idle && editor_->enabled(c));
  for (const auto& [c, w] : commandWidgets_) w->setEnabled(idle && editor_->enabled(c));
}

void MainWindow::exportCueSheet(bool atSilences) {
  const Document& doc = editor_->document();
  const std::filesystem::path name(doc.documentName);
  FileDialogRequest request;
  request.save = true;
  request.title = "Export cue sheet";
  request.folder = name.parent_path().string();
  request.fileName = name.stem().string() + ".cue";
  request.filter = "cue sheets|*.cue|all files|*.*";
  request.defaultExtension = "cue";
  request.confirmOverwrite = true;
  if (const std::optional<std::string> path = chooseFile(request))
    editor_->exportCueSheet(Sender::User, *path, atSilences);
}

void MainWindow::splitAlongCueSheet() {
  const std::filesystem::path name(editor_->document().documentName);
  FileDialogRequest request;
  request.title = "Split along a cue sheet";
  request.folder = name.parent_path().string();
  request.filter = "cue sheets|*.cue|all files|*.*";
  const std::optional<std::string> cue = chooseFile(request);
  if (!cue) return;
  bool ok = false;
  const QString pattern = QInputDialog::getText(
      this, "Split along a cue sheet", "Files (# = track number):", QLineEdit::Normal,
      q((name.parent_path() / (name.stem().string() + " ##.mp3")).string()), &ok);
  if (ok) editor_->splitAlongCueSheet(Sender::User, *cue, str(pattern));
}

void MainWindow::refreshMenus() {
  refreshCommands();
  for (auto& [item, a] : optionActions_) {
    a->setChecked(editor_->optionChecked(item));
    if (!optionItemInfo(item).radio) a->setData(optionImage(a->isChecked()));
  }
  const Options& o = editor_->options();
  auto check = [this](const char* name, bool on) {
    if (QAction* a = action(name)) {
      a->setChecked(on);
      a->setData(optionImage(on));
    }
  };
  check("MenuLockSO", o.lockScriptsOrder);
  check("MenuShowmsgbox", o.showMessageBoxAfterRun);
  check("MenuSilentIgnore", o.silentIgnoreErrors);
  check("MenuFail", o.processingErrorPolicy == ProcessingErrorPolicy::Fail);
  check("MenuPrompt", o.processingErrorPolicy == ProcessingErrorPolicy::Prompt);
  check("MenuTry", o.processingErrorPolicy == ProcessingErrorPolicy::TryToContinue);
  for (int i = 0; i < 5; ++i) {
    QAction* a = recentScripts_[size_t(i)];
    if (!a) continue;
    const std::optional<std::string> caption = runner_->recentScriptCaption(i);
    a->setText(caption ? q(*caption) : QString(" &%1.").arg(i + 1));
    a->setEnabled(caption.has_value());
  }
  refreshRecentFiles();
}

// ------------------------------------------------------------ start

void MainWindow::start(const std::vector<std::string>& args) {
  registry_ = std::make_unique<InstanceRegistry>();
  startup_ = startProgram(*editor_, *registry_);
  commandLine_ = decideStartup(args);
  if (registry_->listen()) {
    closeRequests_ = new QSocketNotifier(registry_->listenFd(), QSocketNotifier::Read, this);
    connect(closeRequests_, &QSocketNotifier::activated, this, [this] {
      if (registry_->takeCloseRequest()) closeFromOutside();
    });
  }
  editor_->startupNoticePending = startup_.notice != StartupNotice::None;
  // The remembered place, unless no screen shows it any more.
  const WindowPosition p = editor_->options().windowPositions[0];
  if (QGuiApplication::screenAt(QPoint(p.left + 40, p.top + 20))) move(p.left, p.top);
  refresh();
  if (startup_.notice != StartupNotice::None) {
    QTimer::singleShot(250, this, &MainWindow::showStartupNotice);
  } else {
    QTimer::singleShot(0, this, &MainWindow::actOnCommandLine);
  }
}

void MainWindow::showStartupNotice() {
  if (startup_.notice == StartupNotice::WorkingFolderUnknown) {
    messageBox(msg::kWorkingFolderUnknown, msg::kUnexpectedErrorCaption, MessageIcon::Exclamation,
               MessageButtons::Ok, MessageResult::Ok);
    close();
    return;
  }
  messageBox(msg::kConfigurationReset, msg::kWarningCaption, MessageIcon::Exclamation, MessageButtons::Ok,
             MessageResult::Ok);
  startup_.notice = StartupNotice::None;
  editor_->startupNoticePending = false;
  // The file the program was started with is still wanted after the notice.
  actOnCommandLine();
}

void MainWindow::actOnCommandLine() {
  if (commandLine_.kind != StartupRequest::Kind::OpenFile || closeWithoutQuestions_) return;
  editor_->calledWithParameter = true;
  openFile(q(commandLine_.path));
}

// ------------------------------------------------------------ ending

void MainWindow::exitProgram() {
  if (editor_->isBusy() || editor_->scriptRunning) return;
  closeWithoutQuestions_ = true;
  close();
}

void MainWindow::exitAllInstances() {
  setWindowTitle(q(msg::kClosingAllInstances));
  QApplication::processEvents();
  if (registry_) {
    registry_->exitAll([] { QApplication::processEvents(); });
  } else {
    exitAllCopies(runtimeFolder(), [] { QApplication::processEvents(); });
  }
  closeWithoutQuestions_ = true;
  close();
}

void MainWindow::closeFromOutside() {
  closeWithoutQuestions_ = true;
  // A dialog of this window may be open: it is cancelled first, as closing
  // the window would. The editing dialogs are not modal; message boxes are.
  for (auto* dialog : findChildren<QDialog*>()) {
    if (dialog->isVisible()) {
      dialog->reject();
      QTimer::singleShot(50, this, &MainWindow::closeFromOutside);
      return;
    }
  }
  if (QWidget* modal = QApplication::activeModalWidget()) {
    // reject() ends any dialog, whatever buttons it has; a question
    // ended so is never answered Yes, so nothing gets overwritten.
    if (auto* dialog = qobject_cast<QDialog*>(modal)) {
      dialog->reject();
    } else {
      modal->close();
    }
    QTimer::singleShot(50, this, &MainWindow::closeFromOutside);
    return;
  }
  closeWithoutQuestions_ = true;
  closing_ = true;
  close();
}

// ------------------------------------------------------------ Host

std::optional<std::string> MainWindow::chooseFile(const FileDialogRequest& request) {
  return showFileDialog(this, request);
}

WindowPosition MainWindow::centredWindowPosition(size_t slot) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return {};
  const QRect area = screen->availableGeometry();
  const QSize size = slot == 0 ? frameGeometry().size() : QSize(400, 300);
  return {int32_t(area.x() + (area.width() - size.width()) / 2),
          int32_t(area.y() + (area.height() - size.height()) / 2)};
}

}  // namespace kavrel
