#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <string_view>

class QApplication;
class QRectF;
class QSize;
class QSizeF;
class QSvgRenderer;

namespace veltrano {

// Files of the look, relative to the program folder.
inline constexpr const char* kStyleSheetFile = "style/veltrano.qss";
inline constexpr const char* kPictureFolder = "pictures";
inline constexpr const char* kProgramIconPicture = "veltrano.svg";
inline constexpr const char* kSplashPicture = "splash.svg";
// The style sheet names its small pictures as "theme:NAME"; the prefix leads to this folder.
inline constexpr const char* kThemeSearchPrefix = "theme";
inline constexpr const char* kThemePictureFolder = "pictures/theme";

// The whole program's look: the Fusion style with our palette, a font whose family list covers
// Chinese, the style sheet of the program folder (with its "theme:" pictures) and the program
// icon. A missing style sheet or
// icon is skipped without a message, so a bare program folder still gives a usable window.
void ApplyTheme(QApplication& app, const std::filesystem::path& programFolder);

// The style sheet text, empty when the file is missing or unreadable.
[[nodiscard]] QString LoadStyleSheet(const std::filesystem::path& programFolder);

// The application font's family list: the given family first, then the installed families
// that have Chinese glyphs, so Chinese texts never fall back to empty boxes.
[[nodiscard]] QStringList UiFontFamilies(const QString& primaryFamily);

// Full path of a picture of the program folder ("pictures/" + name).
[[nodiscard]] QString PicturePath(const std::filesystem::path& programFolder,
                                  std::string_view name);

// Where a drawing goes in a room: as large as fits with its proportions kept, centred.
[[nodiscard]] QRectF CentredFit(const QSvgRenderer& drawing, const QSizeF& room);

// A vector picture drawn at the given logical size for a screen of the given pixel ratio, so
// it stays sharp on high-density screens. Null when the file is missing or not a picture.
[[nodiscard]] QPixmap RenderPicture(const QString& file, const QSize& logicalSize,
                                    qreal devicePixelRatio = 1.0);

// The program icon drawn at the usual icon sizes; null when the picture is missing.
[[nodiscard]] QIcon ProgramIcon(const std::filesystem::path& programFolder);

}  // namespace veltrano
