// Pictures shown in picture controls.
#pragma once

// Loads the image file `fileName` (BMP, PNG, JPEG; a bare name is looked for in the program's
// directory) into the picture control `control` of `panel`, which takes the image's size.
// Returns 0; -1 when the control does not exist or is no picture control; -2 when the file is
// missing or no readable image, in which case the picture is left empty.
int DisplayImageFile(int panel, int control, const char* fileName);
