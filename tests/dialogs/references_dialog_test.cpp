#include "dialogs/references_dialog.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest/QTest>
#include <functional>
#include <optional>
#include <string>

#include "modal.h"
#include "widgets.h"

namespace marlit {
namespace {

using test::Control;

enum class Leave { Ok, Enter, Escape, Cancel };

struct ReferencesCase {
  const char* name;
  AddressReferences found;
  Radix radix;
  const char* summary;
  std::vector<const char*> firstRow;  // its four cells, when there is one
  int row;                            // the row made current before leaving
  Leave leave;
  std::optional<std::uint64_t> chosen;
};

void PrintTo(const ReferencesCase& c, std::ostream* os) { *os << c.name; }

class ReferencesDialogTest : public testing::TestWithParam<ReferencesCase> {
 protected:
  test::OwnerWindow owner;
};

TEST_P(ReferencesDialogTest, ListsTheReferencesAndGivesTheOneChosen) {
  const ReferencesCase& c = GetParam();
  std::optional<std::uint64_t> chosen;
  const bool shown = test::WithModalDialog(
      [&] {
        chosen = 引用清單::選擇(owner, QStringLiteral("402110"), c.found, c.radix,
                                NumberWidth::Narrow);
      },
      [&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("引用 402110 的位置"));
        EXPECT_EQ(Control<QLabel>(d, "引用摘要").text(), QString::fromUtf8(c.summary));
        QTableWidget& table = Control<QTableWidget>(d, "引用表");
        EXPECT_EQ(table.rowCount(), static_cast<int>(c.found.References.size()));
        EXPECT_EQ(table.isVisibleTo(&d), !c.found.References.empty());
        EXPECT_EQ(Control<QPushButton>(d, "確定").isEnabled(), !c.found.References.empty());
        for (int k = 0; k < static_cast<int>(c.firstRow.size()); ++k) {
          EXPECT_EQ(table.item(0, k)->text(), QString::fromUtf8(c.firstRow[static_cast<std::size_t>(k)]))
              << k;
        }
        if (!c.found.References.empty()) {
          EXPECT_EQ(d.focusWidget(), &table) << "the keyboard starts on the rows";
          table.setCurrentCell(c.row, 0);
        }
        switch (c.leave) {
          case Leave::Ok:
            QTest::mouseClick(&Control<QPushButton>(d, "確定"), Qt::LeftButton);
            break;
          case Leave::Enter:
            QTest::keyClick(&table, Qt::Key_Return);
            break;
          case Leave::Escape:
            QTest::keyClick(&d, Qt::Key_Escape);
            break;
          case Leave::Cancel:
            QTest::mouseClick(&Control<QPushButton>(d, "取消"), Qt::LeftButton);
            break;
        }
        EXPECT_FALSE(d.isVisible());
      });
  EXPECT_TRUE(shown);
  EXPECT_EQ(chosen, c.chosen);
}

AddressReferences Found(bool cancelled = false, bool truncated = false) {
  AddressReferences found;
  found.References = {
      AddressReference{0x300, false, 0x400300, 1, u"檔案頭"},
      AddressReference{0x410, true, 0x401010, 2, u".text"},
      AddressReference{0xE10, false, std::nullopt, 0, std::nullopt},
  };
  found.Cancelled = cancelled;
  found.Truncated = truncated;
  return found;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReferencesDialogTest,
    testing::Values(
        ReferencesCase{"ChosenByOk", Found(), Radix::Hex, "找到 3 個引用。",
                       {"300", "400300", "檔案頭", "否"}, 1, Leave::Ok, 0x410},
        ReferencesCase{"ChosenByEnter", Found(), Radix::Hex, "找到 3 個引用。", {}, 2, Leave::Enter,
                       0xE10},
        ReferencesCase{"Decimal", Found(), Radix::Decimal, "找到 3 個引用。",
                       {"768", "4195072", "檔案頭", "否"}, 0, Leave::Escape, std::nullopt},
        ReferencesCase{"CancelChoosesNothing", Found(), Radix::Hex, "找到 3 個引用。", {}, 1,
                       Leave::Cancel, std::nullopt},
        ReferencesCase{"NoneSaidPlainly", AddressReferences{}, Radix::Hex,
                       "檔案中沒有任何位置引用這個位址。", {}, 0, Leave::Escape, std::nullopt},
        ReferencesCase{"SearchCancelled", Found(true), Radix::Hex,
                       "搜尋已取消，只列出已找到的 3 個引用。", {}, 0, Leave::Ok, 0x300},
        ReferencesCase{"TooMany", Found(false, true), Radix::Hex, "引用太多，只列出前 3 個。", {},
                       0, Leave::Cancel, std::nullopt}),
    [](const testing::TestParamInfo<ReferencesCase>& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace marlit
