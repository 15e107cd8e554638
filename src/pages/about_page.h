#pragma once

#include "property_page.h"

namespace lumivex {

// About tab: version line, the maker's notice and the web-site picture.
class OSD_About : public PropertyPage {
    Q_OBJECT
public:
    static constexpr int kDialogId = 167;
    explicit OSD_About(QWidget* parent = nullptr);
};

}  // namespace lumivex
