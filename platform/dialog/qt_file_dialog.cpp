#include "platform/dialog/qt_file_dialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QPixmapCache>
#include <QStringList>
#include <QWidget>
#include <vector>

#include "platform/qt/qt_text.h"
#include "platform/translation.h"

namespace marlit {

namespace {

bool Has(std::int32_t flags, std::int32_t bit) { return (flags & bit) != 0; }

QFileDialog::FileMode ModeFor(std::int32_t flags) {
  if (Has(flags, FileDialogFlag::AllowMultiSelect)) return QFileDialog::ExistingFiles;
  if (Has(flags, FileDialogFlag::FileMustExist)) return QFileDialog::ExistingFile;
  return QFileDialog::AnyFile;
}

QWidget* OwnerOf(const FileDialogRecord& record) {
  if (record.hwndOwner == 0) return nullptr;
  return QWidget::find(static_cast<WId>(record.hwndOwner));
}

// The filter pairs as Qt name filters, the preselected one chosen. Returns the descriptions,
// which is what the dialog reports as its selected filter while it hides the patterns.
QStringList SetFilters(QFileDialog& dialog, const FileDialogRecord& record) {
  QStringList filters;
  QStringList descriptions;
  for (const auto& [description, patterns] : FilterPairs(record.lpstrFilter)) {
    filters << QtNameFilter(description, patterns);
    descriptions << ToQString(description);
  }
  if (filters.isEmpty()) return descriptions;
  // The descriptions already name their patterns; Qt's own copy stays out of sight.
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setNameFilters(filters);
  // Widened first: the caller's index may be any 32-bit value, the lowest one included.
  const qsizetype index = qsizetype{record.nFilterIndex} - 1;
  dialog.selectNameFilter(filters.at(index >= 0 && index < filters.size() ? index : 0));
  return descriptions;
}

void SetStartingPoint(QFileDialog& dialog, const FileDialogRecord& record) {
  if (!record.lpstrInitialDir.empty()) dialog.setDirectory(ToQString(record.lpstrInitialDir));
  const auto name = CutAtNul(record.lpstrFile);
  if (!name.empty()) dialog.selectFile(ToQString(name));
}

// QFileDialog has no read-only box of its own: the non-native dialog's grid gains one.
QCheckBox* AddReadOnlyBox(QFileDialog& dialog, const FileDialogRecord& record) {
  auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
  if (grid == nullptr) return nullptr;
  auto* box = new QCheckBox(ToQString(Translate(u"以唯讀方式開啟")), &dialog);
  box->setObjectName(QtFileDialogBackend::kReadOnlyBoxName);
  box->setChecked(Has(record.Flags, FileDialogFlag::ReadOnly));
  grid->addWidget(box, grid->rowCount(), 0, 1, grid->columnCount());
  return box;
}

// The chosen files as the record's buffers hold them: one full path, or a folder and names.
bool StoreResult(const QFileDialog& dialog, FileDialogRecord& record) {
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return false;
  if (files.size() == 1) {
    const QFileInfo info(files.front());
    return StoreChosenFiles(record, ToU16(info.absolutePath()), {ToU16(info.fileName())});
  }
  const QDir folder = dialog.directory();
  std::vector<std::u16string> names;
  for (const auto& f : files) names.push_back(ToU16(folder.relativeFilePath(f)));
  return StoreChosenFiles(record, ToU16(folder.absolutePath()), names);
}

// Every dialog makes icons of its own, and Qt's pixmap cache keeps the copies it drew of them after
// the dialog is gone, up to its limit of 10 MB: about 20 KB more with each browse.
void ForgetScaledIcons() { QPixmapCache::clear(); }

}  // namespace

QString QtNameFilter(std::u16string_view description, std::u16string_view patterns) {
  QStringList list = ToQString(patterns).split(u';', Qt::SkipEmptyParts);
  for (auto& p : list) p = p.trimmed();
  return ToQString(description) + u'(' + list.join(u' ') + u')';
}

bool QtFileDialogBackend::GetOpenFileName(FileDialogRecord& record) { return Run(record, true); }

bool QtFileDialogBackend::GetSaveFileName(FileDialogRecord& record) { return Run(record, false); }

bool QtFileDialogBackend::Run(FileDialogRecord& record, bool open) {
  QFileDialog dialog(OwnerOf(record), ToQString(record.lpstrTitle));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  // Marlit writes no file: the dialog offers no delete, rename or new folder either.
  dialog.setOption(QFileDialog::ReadOnly);
  dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  // The Save dialog asks before replacing a file only when the caller asked for that question.
  if (!open && !Has(record.Flags, FileDialogFlag::OverwritePrompt)) {
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
  }
  dialog.setFileMode(ModeFor(record.Flags));
  if (!record.lpstrDefExt.empty()) dialog.setDefaultSuffix(ToQString(record.lpstrDefExt));
  const QStringList descriptions = SetFilters(dialog, record);
  SetStartingPoint(dialog, record);
  QCheckBox* readOnly = open && !Has(record.Flags, FileDialogFlag::HideReadOnly)
                            ? AddReadOnlyBox(dialog, record)
                            : nullptr;

  const int answer = dialog.exec();
  ForgetScaledIcons();
  if (answer != QDialog::Accepted) return false;
  if (!StoreResult(dialog, record)) return false;

  const QString selected = dialog.selectedNameFilter();
  qsizetype filter = descriptions.indexOf(selected);
  if (filter < 0) filter = dialog.nameFilters().indexOf(selected);
  if (filter >= 0) record.nFilterIndex = static_cast<std::int32_t>(filter + 1);
  if (readOnly != nullptr) {
    record.Flags = readOnly->isChecked() ? (record.Flags | FileDialogFlag::ReadOnly)
                                         : (record.Flags & ~FileDialogFlag::ReadOnly);
  }
  return true;
}

}  // namespace marlit
