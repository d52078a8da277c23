// Colours the behaviour depends on.
#pragma once

#include <QColor>

inline const QColor kLightSkyBlue(0x7E, 0xCE, 0xE0);  // number panel not yet shown; action labels
inline const QColor kLime(0x00, 0xFF, 0x00);          // question shown
inline const QColor kRed(0xFF, 0x00, 0x00);           // question marked
inline const QColor kBlue(0x00, 0x00, 0xFF);          // option chosen
inline const QColor kSkyBlue(0xA6, 0xCA, 0xF0);       // action label under the mouse
inline const QColor kWhite(0xFF, 0xFF, 0xFF);         // action label after the mouse left

// The system's button-face colour: an option cell that is not chosen.
QColor ButtonFace();
