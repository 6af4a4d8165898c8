#include "transfer/gui/PresetChooser.h"

#include <QApplication>
#include <QStyle>

#include "app/AppContext.h"
#include "transfer/gui/ChooserPages.h"

namespace veltrano {

namespace {

const char* TitleKey(PresetKind kind) {
    switch (kind) {
        case PresetKind::Voice:
            return "IDS_DLG_CHOOSE_VOICE";
        case PresetKind::Style:
            return "IDS_DLG_CHOOSE_STYLE";
        case PresetKind::Song:
            break;
    }
    return "IDS_DLG_CHOOSE_SONG";
}

QIcon KindIcon(PresetKind kind) {
    const QIcon fallback = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
    switch (kind) {
        case PresetKind::Voice:
            return QIcon::fromTheme(QStringLiteral("audio-x-generic"), fallback);
        case PresetKind::Style:
            return QIcon::fromTheme(QStringLiteral("media-playlist-repeat"), fallback);
        case PresetKind::Song:
            break;
    }
    return QIcon::fromTheme(QStringLiteral("audio-midi"), fallback);
}

}  // namespace

PresetChooser::PresetChooser(AppContext& app, DeviceService& devices, Reporter& reporter,
                             PresetKind kind, const ChooserChoice& current, QWidget* parent)
    : ChooserDialog(app, reporter, TitleKey(kind), false, parent) {
    setObjectName(QStringLiteral("presetChooser"));
    const std::vector<ChooserTab> tabs = PresetChooserTabs(app.transmitFunc);
    QVector<ChooserPage*> pages;
    for (ChooserTab tab : tabs) {
        switch (tab) {
            case ChooserTab::Catalogue:
                pages.push_back(new CataloguePage(CatalogueChoice::ForPresets(app.catalog, kind),
                                                  current.source == 0 ? current.number : -1, this));
                break;
            case ChooserTab::User:
                pages.push_back(new UserPage(devices, kind, current.source == 1 ? current.path : "",
                                             KindIcon(kind), this));
                break;
            case ChooserTab::Usb:
                pages.push_back(new UsbPage(app.config, reporter, std::string(UsbExtension(kind)),
                                            current.source == 2 ? current.path : "", KindIcon(kind),
                                            this));
                break;
        }
    }
    SetPages(tabs, std::move(pages), current.source);
}

}  // namespace veltrano
