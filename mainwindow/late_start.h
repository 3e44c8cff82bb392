#pragma once
// What Marlit's start leaves until its first window is on the screen: the window icon and Qt's
// own translations, which nothing needs sooner.

#include <QIcon>
#include <functional>

namespace marlit {

// Every size of the icon that the build rendered from icons/marlit.svg.
[[nodiscard]] QIcon ProgramIcon();

// Runs step once, from the event loop, after the first window of the application has been
// exposed: so that neither the window's first map nor its first paint waits for it.
void AfterFirstExposure(std::function<void()> step);

}  // namespace marlit
