#include "ui/window_placement.h"

WindowOrigin CenteredOrigin(long screenWidth, long screenHeight, long windowWidth, long windowHeight)
{
    return {screenWidth / 2 - windowWidth / 2, screenHeight / 2 - windowHeight / 2};
}
