// The invitation to the author's web shop shown at the top right of the sign-in and help windows.
#pragma once

#include <QString>

class ColorLabel;
class QWidget;

inline const QString kShopAddress = QStringLiteral("http://shop.chengxi-edu.example/");
inline const QString kShopCaption = QStringLiteral("欢迎光临作者网店：shop.chengxi-edu.example");

// The invitation named `name`, blue like a link, at the top right of `window`; the caller connects
// its click.
ColorLabel* MakeShopLink(QWidget* window, const QString& name);
