#pragma once

#include "pages/property_page.h"

namespace lumivex {

// About tab: version line, the maker's notice and the web-site picture.
class OSD_About : public PropertyPage {
    Q_OBJECT
public:
    static constexpr int kDialogId = 167;
    static constexpr int kPictureId = 1097;
    static constexpr int kVersionId = 1090;
    static constexpr const char* kVersionLine = "ZEPTA Lumivex version V1.5";
    // The maker's web site, opened by the picture.
    static constexpr const char* kMakerUrl = "https://www.zepta.example/";

    explicit OSD_About(QWidget* parent = nullptr);

protected:
    void initialisePage() override;
};

}  // namespace lumivex
