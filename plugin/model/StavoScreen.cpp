#include "StavoScreen.h"

void CStavoScreen::OnDisplayClosing()
{
    delete this;
}
