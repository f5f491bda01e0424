#include "MainHelpTab.h"

MainHelpTab hMainHelp;
