#pragma once

#include <QIcon>

// The launcher's icon, in its 32 by 32 and 16 by 16 images.
QIcon AppIcon();
