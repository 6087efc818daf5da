// Where a window goes to stand in the middle of the screen.
#pragma once

struct WindowOrigin
{
    long left;
    long top;
};

// Half the screen less half the window, each half rounded toward zero; a
// window larger than the screen gets negative coordinates.
WindowOrigin CenteredOrigin(long screenWidth, long screenHeight, long windowWidth, long windowHeight);
