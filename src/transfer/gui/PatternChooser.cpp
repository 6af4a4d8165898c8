#include "transfer/gui/PatternChooser.h"

#include <QApplication>
#include <QStyle>

#include "app/AppContext.h"
#include "transfer/gui/ChooserPages.h"

namespace veltrano {

PatternChooser::PatternChooser(AppContext& app, Reporter& reporter, PatternKind kind,
                               const ChooserChoice& current, QWidget* parent)
    : ChooserDialog(app, reporter,
                    kind == PatternKind::Arpeggio ? "IDS_DLG_CHOOSE_ARP" : "IDS_DLG_CHOOSE_CHOPPER",
                    true, parent) {
    setObjectName(QStringLiteral("patternChooser"));
    const std::vector<ChooserTab> tabs = PatternChooserTabs(kind, app.transmitFunc);
    const QIcon icon = QIcon::fromTheme(QStringLiteral("audio-x-generic"),
                                        QApplication::style()->standardIcon(QStyle::SP_FileIcon));
    QVector<ChooserPage*> pages;
    for (ChooserTab tab : tabs) {
        if (tab == ChooserTab::Catalogue) {
            pages.push_back(new CataloguePage(CatalogueChoice::ForPatterns(app.catalog, kind),
                                              current.source == 0 ? current.number : -1, this));
        } else {
            pages.push_back(new UsbPage(app.config, reporter, std::string(UsbExtension(kind)),
                                        current.source != 0 ? current.path : "", icon, this));
        }
    }
    SetPages(tabs, std::move(pages), current.source);
}

}  // namespace veltrano
