#include "platform/dialog/qt_file_dialog.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <limits>
#include <string>

#include "tests/support/dialog_call.h"

namespace marlit {
namespace {

using namespace std::string_literals;

// Runs check on the file dialog once it is open and modal, then lets it close as check decides.
void WhenDialogOpens(std::function<void(QFileDialog&)> check) {
  QTimer::singleShot(0, [check] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) {
      WhenDialogOpens(check);
      return;
    }
    check(*dialog);
  });
}

void Touch(const QString& path) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

class QtFileDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    Touch(dir.filePath("a.exe"));
    Touch(dir.filePath("b.dll"));
  }
  std::u16string Dir() const { return dir.path().toStdU16String(); }

  QTemporaryDir dir;
  QtFileDialogBackend backend;
  OpenFile::Service service{backend, "/nonexistent"};
};

TEST_F(QtFileDialogTest, MainWindowSettingsReachTheDialogAndTheChoiceComesBack) {
  QWidget owner;
  OpenFile::Call c;
  c.OwnerWindow = static_cast<std::intptr_t>(owner.winId());
  c.ReadOnly = true;
  c.FilterIndex = 2;
  c.InitialDir = Dir();
  const QString chosen = dir.filePath("b.dll");

  bool checked = false;
  WhenDialogOpens([&](QFileDialog& d) {
    checked = true;
    EXPECT_EQ(d.windowTitle(), QStringLiteral("選擇程式檔案"));
    EXPECT_TRUE(d.testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(d.acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(d.fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(d.parentWidget(), &owner);
    EXPECT_EQ(d.nameFilters(),
              QStringList({QStringLiteral("程式檔案(*.exe;*.dll;*.ocx)(*.exe *.dll *.ocx)"),
                           QStringLiteral("全部檔案(*.*)(*.*)")}));
    EXPECT_EQ(d.selectedNameFilter(), QStringLiteral("全部檔案(*.*)"));
    EXPECT_EQ(QDir(d.directory()).canonicalPath(), QDir(dir.path()).canonicalPath());
    auto* box = d.findChild<QCheckBox*>(QtFileDialogBackend::kReadOnlyBoxName);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isChecked());
    EXPECT_FALSE(box->isHidden());
    box->setChecked(false);
    d.selectNameFilter(d.nameFilters().at(0));
    d.selectFile(chosen);
    static_cast<QDialog&>(d).accept();  // QFileDialog::accept, which checks the choice
  });
  ASSERT_TRUE(c.Run(service));
  EXPECT_TRUE(checked);
  EXPECT_EQ(QString::fromStdU16String(std::get<std::u16string>(c.FileName.Get())), chosen);
  EXPECT_EQ(c.FileTitle, u"b.dll");
  EXPECT_EQ(c.FilterIndex, 1);
  // The box was cleared, so the flag word comes back without the read-only bit; the caller's
  // ReadOnly stays as it was, as the service only ever sets it.
  EXPECT_EQ(c.Flags, FileDialogFlag::Explorer | FileDialogFlag::FileMustExist);
  EXPECT_TRUE(c.ReadOnly);
}

TEST_F(QtFileDialogTest, MultiSelectionGivesFolderAndNames) {
  OpenFile::Call c;
  c.FileName = Perl2::Variable::AnyValue();
  c.MultiSelect = true;
  c.Filter = u"All|*";
  c.InitialDir = Dir();
  c.Flags = FileDialogFlag::AllowMultiSelect;

  WhenDialogOpens([&](QFileDialog& d) {
    EXPECT_EQ(d.fileMode(), QFileDialog::ExistingFiles);
    auto* edit = d.findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(edit, nullptr);
    edit->setText(QStringLiteral("\"a.exe\" \"b.dll\""));
    static_cast<QDialog&>(d).accept();
  });
  ASSERT_TRUE(c.Run(service));
  const auto& parts = std::get<Perl2::List>(c.FileName.Get());
  ASSERT_EQ(parts.Upper(), 2);
  EXPECT_EQ(QDir(QString::fromStdU16String(std::get<std::u16string>(parts.At(0)))).canonicalPath(),
            QDir(dir.path()).canonicalPath());
  EXPECT_EQ(parts.At(1), Perl2::Value(u"a.exe"));
  EXPECT_EQ(parts.At(2), Perl2::Value(u"b.dll"));
}

TEST_F(QtFileDialogTest, SaveDialogHidesReadOnlyAddsExtensionAndCancelClears) {
  OpenFile::Call c;
  c.FileName = u"out";
  c.FileMustExist = false;
  c.HideReadOnly = true;
  c.Filter = u"Text|*.txt";
  c.InitialDir = Dir();
  c.Title = u"Save";
  c.DefaultExt = u"txt";
  c.Flags = 0;
  c.OpenMode = false;

  WhenDialogOpens([&](QFileDialog& d) {
    EXPECT_EQ(d.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(d.fileMode(), QFileDialog::AnyFile);
    EXPECT_EQ(d.defaultSuffix(), QStringLiteral("txt"));
    EXPECT_EQ(d.findChild<QCheckBox*>(QtFileDialogBackend::kReadOnlyBoxName), nullptr);
    static_cast<QDialog&>(d).accept();
  });
  ASSERT_TRUE(c.Run(service));
  EXPECT_EQ(QString::fromStdU16String(std::get<std::u16string>(c.FileName.Get())),
            dir.filePath("out.txt"));

  WhenDialogOpens([](QFileDialog& d) { d.reject(); });
  EXPECT_FALSE(c.Run(service));
  EXPECT_EQ(c.FileName.Get(), Perl2::Value(u""));
  EXPECT_EQ(c.FilterIndex, -1);
}

// Tries what would delete the file chosen in d, the Delete key and the menu's entry, and answers
// yes to every question they ask.
void TryToDelete(QFileDialog& d, const QString& file) {
  auto* list = d.findChild<QListView*>("listView");
  ASSERT_NE(list, nullptr);
  // The folder is read in the background; the file is chosen once the list shows it.
  for (int wait = 0; wait < 200 && list->selectionModel()->selectedRows().isEmpty(); ++wait) {
    d.selectFile(file);
    QThread::msleep(10);
    QCoreApplication::processEvents();
  }
  ASSERT_FALSE(list->selectionModel()->selectedRows().isEmpty());
  QTimer yes;
  QObject::connect(&yes, &QTimer::timeout, [] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      box->button(QMessageBox::Yes)->click();
    }
  });
  yes.start(10);
  d.activateWindow();
  list->setFocus();
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
  QApplication::sendEvent(list, &press);
  for (QAction* action : d.findChildren<QAction*>()) {
    if (action->text().contains(QStringLiteral("Delete"))) action->trigger();
  }
  QCoreApplication::processEvents();
}

// Marlit writes no file: in both dialogs a chosen file survives Delete, even confirmed, and no
// folder can be made.
TEST_F(QtFileDialogTest, DeleteDoesNothingToAFile) {
  const QString file = dir.filePath("a.exe");
  for (const bool open : {true, false}) {
    SCOPED_TRACE(open ? "Open" : "Save");
    OpenFile::Call c;
    c.InitialDir = Dir();
    c.OpenMode = open;
    WhenDialogOpens([&](QFileDialog& d) {
      auto* newFolder = d.findChild<QToolButton*>("newFolderButton");
      EXPECT_TRUE(newFolder != nullptr && !newFolder->isEnabled());
      TryToDelete(d, file);
      d.reject();
    });
    EXPECT_FALSE(c.Run(service));
    EXPECT_TRUE(QFile::exists(file));
  }
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 2);
}

// A path as long as the system allows (4095 bytes and the NUL) comes back whole.
TEST_F(QtFileDialogTest, ALongestPathComesBackWhole) {
  QString folder = dir.path();
  while (folder.size() < 4095 - 6 - 201) folder += u'/' + QString(200, u'd');
  folder += u'/' + QString(4095 - 6 - static_cast<int>(folder.size()) - 1, u'e');
  ASSERT_TRUE(QDir().mkpath(folder));
  const QString chosen = folder + QStringLiteral("/a.exe");
  ASSERT_EQ(QFile::encodeName(chosen).size(), 4095);
  Touch(chosen);
  OpenFile::Call c;
  c.InitialDir = folder.toStdU16String();
  WhenDialogOpens([&](QFileDialog& d) {
    d.selectFile(chosen);
    static_cast<QDialog&>(d).accept();
  });
  ASSERT_TRUE(c.Run(service));
  EXPECT_EQ(c.FileName.Get(), Perl2::Value(chosen.toStdU16String()));
}

TEST_F(QtFileDialogTest, AnIndexOutsideTheFilterPairsPreselectsTheFirst) {
  for (const std::int32_t index : {0, -1, 3, std::numeric_limits<std::int32_t>::min(),
                                   std::numeric_limits<std::int32_t>::max()}) {
    SCOPED_TRACE(index);
    OpenFile::Call c;
    c.FilterIndex = index;
    c.InitialDir = Dir();
    QString preselected;
    WhenDialogOpens([&](QFileDialog& d) {
      preselected = d.selectedNameFilter();
      d.reject();
    });
    EXPECT_FALSE(c.Run(service));
    EXPECT_EQ(preselected, QStringLiteral("程式檔案(*.exe;*.dll;*.ocx)"));
  }
}

}  // namespace
}  // namespace marlit

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
