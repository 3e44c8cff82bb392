#pragma once
// The file names that Marlit opens without asking: .exe, .dll and .ocx, in any case.

#include <string_view>

namespace marlit {

[[nodiscard]] bool HasProgramExtension(std::u16string_view fileName);

}  // namespace marlit
