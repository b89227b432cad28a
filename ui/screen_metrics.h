// The screen's pixels per inch, readable without the screen object, for the
// font size conversions and the scaling of 96-dpi layout values.
#pragma once

int ScreenPixelsPerInch();
void SetScreenPixelsPerInch(int ppi);
// A layout value given at 96 pixels per inch, scaled to the screen's pixels
// per inch and rounded down.
int ScaleDesign(int value);
