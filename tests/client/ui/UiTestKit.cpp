#include "UiTestKit.h"

#include "QtWarningsFail.h"
#include "UiFonts.h"
#include "UiResources.h"

void UiTestKit::prepare()
{
    initUiResources();
    UiFonts::installSubstitutes();
    QtWarningsFail::install();
}
