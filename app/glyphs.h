// The pictures of the catalogue window: one 32 by 32, 16-colour picture per
// category button, and the program's icon. Olive is the transparent colour
// (it fills the background, bottom-left pixel included).
#pragma once

#include <QImage>

class TBitmap;

enum TCategoryPicture {
  cpAnimals,    // a paw print
  cpCartoons,   // a cartoon face
  cpExplosions, // a burst
  cpHousehold,  // a house
  cpMachines,   // a gear wheel
  cpNature,     // a tree
  cpPeople,     // a person
  cpWindows,    // a window
  cpPotLuck,    // a four-leaf clover
};

QImage CategoryPicture(TCategoryPicture picture);
// A loudspeaker sending out sound waves.
QImage ProgramIconPicture();
// The 16 colours the pictures are made of.
const QVector<QRgb> &SixteenColours();
