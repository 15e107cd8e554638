#include "pages/about_page.h"

#include "res/artwork.h"
#include "controls/image_button.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QPixmap>

namespace lumivex {

namespace {

constexpr int kHandCursorId = 170;
// The fingertip of the hand that res/make_artwork.sh draws.
constexpr QPoint kHandHotSpot{11, 1};
constexpr int kLabelIds[] = {1089, 1090, 1091, 1092, 1094};

}  // namespace

OSD_About::OSD_About(QWidget* parent)
    : PropertyPage(kDialogId, EnterKey::Passed, parent)
{
}

void OSD_About::initialisePage()
{
    // The labels draw in the desktop's own font, not the page's.
    for (int id : kLabelIds)
        control(id)->setFont(QApplication::font());
    control<QLabel>(kVersionId)->setText(QString::fromLatin1(kVersionLine));

    // Its picture was given when the page was built.
    auto* picture = control<CButtonST>(kPictureId);
    const QPixmap hand(cursorPath(kHandCursorId));
    if (!hand.isNull())
        picture->setCursor(QCursor(hand, kHandHotSpot.x(), kHandHotSpot.y()));
    picture->setUrl(QString::fromLatin1(kMakerUrl));
    picture->setToolTip(QString::fromLatin1(kMakerUrl));
}

}  // namespace lumivex
