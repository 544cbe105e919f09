#include "app/app_icon.h"

#include "resources/corvane_icon.xpm"
#include "resources/corvane_icon16.xpm"

wxIcon AppIcon(int size) {
    return size == 16 ? wxIcon(corvane_icon16_xpm) : wxIcon(corvane_icon_xpm);
}
