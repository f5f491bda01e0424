#include "OzmLogerSocket.h"

void OzmLogerSocket::closeSlot()
{
    close();
}
