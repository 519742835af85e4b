// Numbers of the program's resources, shared by the resource script and the code.
#pragma once

// The program icon (several sizes in one group).
#define QUILLET_ICON_ID 1

// The pictures are PNG files, one per picture and scale: the picture's
// number N (of ImageN), and the scale as 0 (100 %), 1 (150 %) or 2 (200 %).
#define QUILLET_PICTURE_ID(number, scale) (1000 + (number)*10 + (scale))

// The status list's two row images use picture numbers of their own.
#define QUILLET_CHECK_PICTURE 50
#define QUILLET_CROSS_PICTURE 51
