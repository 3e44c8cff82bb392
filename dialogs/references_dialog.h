#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <optional>

#include "pe/facts/address_facts.h"
#include "pe/panel/number_text.h"

namespace marlit {

// 引用清單: the places in the file that hold an address as a pointer, one row each (file offset,
// memory address, section, relocated or not), built afresh for every showing. Object names: the
// table 引用表, the summary line 引用摘要, the buttons 確定 and 取消.
class 引用清單 {
 public:
  // Shows found, the references of the address whose text is address, modally over owner, with
  // the numbers in radix. The file offset of the row chosen by 確定, Enter or a double click;
  // none when the dialog is closed otherwise or lists nothing.
  [[nodiscard]] static std::optional<std::uint64_t> 選擇(QWidget& owner, const QString& address,
                                                        const AddressReferences& found,
                                                        Radix radix, NumberWidth addressWidth);
};

}  // namespace marlit
