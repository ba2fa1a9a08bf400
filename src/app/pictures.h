#pragma once
// The built-in pictures, drawn by the program itself.
#include <QImage>
#include <QPixmap>

namespace Pictures {
QPixmap splash();       // 534 x 306
QPixmap background();   // the main window's background
QPixmap overlay();      // 137 x 342, lies over the background at the bottom right
QPixmap about();        // 625 x 361
QPixmap toolIcon(int n);
QImage appIcon(int size); // the program's icon: the shirt on a blue rounded square // 32 x 32: 1 stock-in, 2 stock-out, 3 stock query, 4 backup, 5 close
} // namespace Pictures
