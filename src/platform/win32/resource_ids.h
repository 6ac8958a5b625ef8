#pragma once

// Resource ids shared by orvella.rc and the code that loads the resources.
// The program's icon: the lowest id, so Explorer shows it for the exe.
#define ORVELLA_ICON_ID 1
