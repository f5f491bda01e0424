#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

// Calls on the receivers of the link's replies and events, who live on the
// application's thread. A call is posted from the link's thread and made there
// later, in the order of posting, and only if the receiver still exists then:
// whether it does is asked on the thread that destroys it.
class GuiThreadCall
{
public:
    static void post(const QPointer<QObject>& receiver, std::function<void(QObject*)> call);
};
