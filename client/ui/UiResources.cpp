#include "UiResources.h"

#include <QtGlobal>

void initUiResources()
{
    Q_INIT_RESOURCE(ozm_ui_images);
}
