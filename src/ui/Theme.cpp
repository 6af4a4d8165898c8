#include "ui/Theme.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QSize>
#include <QStyle>
#include <QStyleFactory>
#include <QSvgRenderer>

#include <array>

namespace veltrano {
namespace {

QString ToQString(const std::filesystem::path& path) {
    return QString::fromStdU16String(path.u16string());
}

// Families that carry Chinese glyphs and read well next to the usual interface fonts, best
// first: Linux, then Windows and macOS.
constexpr std::array kChineseFamilies = {"WenQuanYi Micro Hei", "Noto Sans CJK SC",
                                         "Source Han Sans SC",  "Microsoft YaHei",
                                         "PingFang SC",         "Hiragino Sans GB"};

// The colours of the style sheet, for what the sheet does not reach: custom-drawn widgets,
// message boxes and the parts Fusion draws itself.
QPalette ThemePalette() {
    const QColor window("#F4F6F8");
    const QColor surface("#FFFFFF");
    const QColor text("#23262B");
    const QColor muted("#5A616B");
    const QColor disabled("#A3A9B2");
    const QColor accent("#2D7FF9");

    QPalette palette;
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, surface);
    palette.setColor(QPalette::AlternateBase, QColor("#F0F2F5"));
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, surface);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, surface);
    palette.setColor(QPalette::Highlight, accent);
    palette.setColor(QPalette::HighlightedText, surface);
    palette.setColor(QPalette::ToolTipBase, text);
    palette.setColor(QPalette::ToolTipText, window);
    palette.setColor(QPalette::PlaceholderText, muted);
    palette.setColor(QPalette::Link, accent);
    palette.setColor(QPalette::LinkVisited, QColor("#1F6AD8"));
    palette.setColor(QPalette::Light, surface);
    palette.setColor(QPalette::Midlight, QColor("#E6EAEF"));
    palette.setColor(QPalette::Mid, QColor("#CDD2D9"));
    palette.setColor(QPalette::Dark, QColor("#8A919B"));
    palette.setColor(QPalette::Shadow, QColor("#3A3F47"));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(QPalette::Disabled, role, disabled);
    }
    palette.setColor(QPalette::Disabled, QPalette::Base, QColor("#F0F2F5"));
    palette.setColor(QPalette::Disabled, QPalette::Button, QColor("#F0F2F5"));
    palette.setColor(QPalette::Disabled, QPalette::Highlight, QColor("#B9C0CA"));
    return palette;
}

}  // namespace

QString LoadStyleSheet(const std::filesystem::path& programFolder) {
    QFile file(ToQString(programFolder / kStyleSheetFile));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

QStringList UiFontFamilies(const QString& primaryFamily) {
    QStringList families;
    if (!primaryFamily.isEmpty()) {
        families << primaryFamily;
    }
    const QStringList installed = QFontDatabase::families();
    for (const char* name : kChineseFamilies) {
        const QString family = QString::fromLatin1(name);
        if (installed.contains(family, Qt::CaseInsensitive) &&
            !families.contains(family, Qt::CaseInsensitive)) {
            families << family;
        }
    }
    if (families.size() <= 1) {
        // None of the preferred ones: any installed family that writes Simplified Chinese.
        const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
        for (const QString& family : chinese) {
            if (!families.contains(family, Qt::CaseInsensitive)) {
                families << family;
                break;
            }
        }
    }
    return families;
}

QString PicturePath(const std::filesystem::path& programFolder, std::string_view name) {
    return ToQString(programFolder / kPictureFolder / std::filesystem::path(name));
}

QRectF CentredFit(const QSvgRenderer& drawing, const QSizeF& room) {
    QSizeF size = drawing.viewBoxF().size();
    if (size.isEmpty()) {
        size = drawing.defaultSize();
    }
    if (size.isEmpty()) {
        size = room;
    }
    size.scale(room, Qt::KeepAspectRatio);
    return {(room.width() - size.width()) / 2, (room.height() - size.height()) / 2, size.width(),
            size.height()};
}

QPixmap RenderPicture(const QString& file, const QSize& logicalSize, qreal devicePixelRatio) {
    if (logicalSize.isEmpty() || !QFileInfo::exists(file)) {
        return {};
    }
    QSvgRenderer renderer(file);
    if (!renderer.isValid()) {
        return {};
    }
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    QImage image(logicalSize * ratio, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const QRectF target = CentredFit(renderer, QSizeF(image.size()));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    renderer.render(&painter, target);
    painter.end();
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

QIcon ProgramIcon(const std::filesystem::path& programFolder) {
    const QString file = PicturePath(programFolder, kProgramIconPicture);
    QIcon icon;
    // Drawn once per size rather than left to the icon engine plug-in, which may be absent.
    for (const int size : {16, 20, 24, 32, 40, 48, 64, 96, 128, 256}) {
        const QPixmap pixmap = RenderPicture(file, QSize(size, size));
        if (pixmap.isNull()) {
            return {};
        }
        icon.addPixmap(pixmap);
    }
    return icon;
}

void ApplyTheme(QApplication& app, const std::filesystem::path& programFolder) {
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
        QApplication::setStyle(fusion);
    }
    QApplication::setPalette(ThemePalette());

    QFont font = QApplication::font();
    font.setFamilies(UiFontFamilies(font.family()));
    QApplication::setFont(font);

    // Replaced rather than added to, so a second call does not stack folders.
    QDir::setSearchPaths(QString::fromLatin1(kThemeSearchPrefix),
                         {ToQString(programFolder / kThemePictureFolder)});
    const QString sheet = LoadStyleSheet(programFolder);
    if (!sheet.isEmpty()) {
        app.setStyleSheet(sheet);
    }

    const QIcon icon = ProgramIcon(programFolder);
    if (!icon.isNull()) {
        QApplication::setWindowIcon(icon);
    }
}

}  // namespace veltrano
