#pragma once

#include <QMetaType>

// The online pages the embedded browser shows.
enum OnlineContentTypes {
    OnlineHelp = 0,
    OnlineFaq = 1,
    OnlinePrivacyTips = 2,
    OnlineQuickStartGuide = 3,
    OnlineNone = 4,
    OnlineQuickStartGuidePopUp = 5,
};
Q_DECLARE_METATYPE(OnlineContentTypes)
