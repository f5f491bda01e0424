#pragma once

#include "ActivationState.h"
#include "Welcome.h"

#include <QStackedWidget>
#include <memory>

// A main window after its start, and the means to look at it from outside.
namespace WelcomeProbe {

inline std::unique_ptr<Welcome> openedWindow()
{
    auto window = std::make_unique<Welcome>();
    window->startInitialOpening();
    window->finishInitialOpening();
    window->show();
    return window;
}

template <typename T = QWidget>
T* part(const QWidget* window, const char* name)
{
    T* widget = window->findChild<T*>(QLatin1String(name));
    if (!widget)
        qFatal("no widget %s", name);
    return widget;
}

inline QString pageOf(const QWidget* window, const char* stack)
{
    return part<QStackedWidget>(window, stack)->currentWidget()->objectName();
}

// Whether an Activating report would take the screen: the mark that the
// activation screens, not a prompt or a report, own the window.
inline bool activationScreensOwn(Welcome* window)
{
    window->setActivationState(Activating);
    return pageOf(window, "stackedWidget") == QLatin1String("page_connecting");
}

} // namespace WelcomeProbe
