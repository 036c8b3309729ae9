// The picture database "bilder.dat" in the data folder.
#pragma once

int CreateDefaultPictureDatabase();
int ConvertPictureDatabase();
int RebuildPictureDatabase();
