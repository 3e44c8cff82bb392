#include "dialogs/references_dialog.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest/QTest>
#include <optional>
#include <string>

#include "modal.h"
#include "widgets.h"

namespace marlit {
namespace {

using test::Control;

// Three references found, the search cancelled or cut short as asked.
AddressReferences Found(bool cancelled = false, bool truncated = false) {
  AddressReferences found;
  found.References = {AddressReference{0x300, false, 0x400300, 1, u"檔案頭"},
                      AddressReference{0x410, true, 0x401010, 2, u".text"},
                      AddressReference{0xE10, false, std::nullopt, 0, std::nullopt}};
  found.Cancelled = cancelled;
  found.Truncated = truncated;
  return found;
}

struct ReferencesCase {
  AddressReferences found;
  Radix radix;
  const char* summary;
  const char* firstRow;  // its four cells, or nullptr
  int row;               // the row made current before leaving
  int leave;             // Qt::Key_Return, Qt::Key_Escape, or 0 for 確定
  std::optional<std::uint64_t> chosen;
};

class ReferencesDialogTest : public testing::TestWithParam<ReferencesCase> {
 protected:
  test::OwnerWindow owner;
};

TEST_P(ReferencesDialogTest, ListsTheReferencesAndGivesTheOneChosen) {
  const ReferencesCase& c = GetParam();
  const bool any = !c.found.References.empty();
  std::optional<std::uint64_t> chosen;
  EXPECT_TRUE(test::WithModalDialog(
      [&] { chosen = 引用清單::選擇(owner, "402110", c.found, c.radix, NumberWidth::Narrow); },
      [&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("引用 402110 的位置"));
        EXPECT_EQ(Control<QLabel>(d, "引用摘要").text(), QString::fromUtf8(c.summary));
        QTableWidget& table = Control<QTableWidget>(d, "引用表");
        EXPECT_EQ(table.rowCount(), static_cast<int>(c.found.References.size()));
        EXPECT_EQ(table.isVisibleTo(&d), any);
        EXPECT_EQ(Control<QPushButton>(d, "確定").isEnabled(), any);
        if (c.firstRow != nullptr) {
          QStringList cells;
          for (int k = 0; k < 4; ++k) cells << table.item(0, k)->text();
          EXPECT_EQ(cells.join(' '), QString::fromUtf8(c.firstRow));
        }
        if (any) {
          EXPECT_EQ(d.focusWidget(), &table) << "the keyboard starts on the rows";
          table.setCurrentCell(c.row, 0);
        }
        if (c.leave == 0) QTest::mouseClick(&Control<QPushButton>(d, "確定"), Qt::LeftButton);
        QWidget* at = c.leave == Qt::Key_Return ? static_cast<QWidget*>(&table) : &d;
        if (c.leave != 0) QTest::keyClick(at, static_cast<Qt::Key>(c.leave));
        EXPECT_FALSE(d.isVisible());
      }));
  EXPECT_EQ(chosen, c.chosen);
}

const char* const kThree = "找到 3 個引用。";
// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, ReferencesDialogTest, testing::Values(
    ReferencesCase{Found(), Radix::Hex, kThree, "300 400300 檔案頭 否", 1, 0, 0x410},
    ReferencesCase{Found(), Radix::Hex, kThree, nullptr, 2, Qt::Key_Return, 0xE10},
    ReferencesCase{Found(), Radix::Decimal, kThree, "768 4195072 檔案頭 否", 0, Qt::Key_Escape, std::nullopt},
    ReferencesCase{{}, Radix::Hex, "檔案中沒有任何位置引用這個位址。", nullptr, 0, Qt::Key_Escape, std::nullopt},
    ReferencesCase{Found(true), Radix::Hex, "搜尋已取消，只列出已找到的 3 個引用。", nullptr, 0, 0, 0x300},
    ReferencesCase{Found(false, true), Radix::Hex, "引用太多，只列出前 3 個。", nullptr, 0, Qt::Key_Escape, std::nullopt}));
// clang-format on

}  // namespace
}  // namespace marlit
