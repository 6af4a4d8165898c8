#include "style/OtsFile.h"

#include <optional>
#include <string>

#include "base/FileIo.h"
#include "base/Reporter.h"

namespace veltrano {

namespace {

constexpr std::string_view kErrorCaption = "Error";

}  // namespace

bool OtsFile::VolumeFlag(int setting, int part) const {
    const auto s = static_cast<size_t>(setting & 3);
    const auto p = static_cast<size_t>(part & 3);
    return flagsRead_ ? flags_[s][p] : settings_[s][p].volume != 0;
}

Bytes OtsFile::Serialize() const {
    ByteWriter out(kFileSize);
    for (const OneTouchSetting& setting : settings_) {
        for (const OneTouchPart& part : setting) {
            out.U8(part.volume != 0 ? 1 : 0);
            part.Write(out);
        }
    }
    return out.Take();
}

bool OtsFile::Write(const std::filesystem::path& path, Reporter& reporter) const {
    if (!WriteFileAtomic(path, AsText(Serialize()))) {
        reporter.Show(Icon::Error, kErrorCaption, "Create OTS file failed");
        return false;
    }
    return true;
}

bool OtsFile::Read(const std::filesystem::path& path, Reporter& reporter) {
    // One byte more than a file may have is enough to tell a wrong length.
    const std::optional<std::string> bytes = ReadFileBytes(path, kFileSize + 1);
    if (!bytes) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(path, ec)) {
            reporter.Show(Icon::Error, kErrorCaption, "Invalid format of OTS file");
        } else {
            reporter.Show(Icon::Error, kErrorCaption, "Open the OTS file failed");
        }
        return false;
    }
    return ReadBytes(AsBytes(*bytes), reporter);
}

bool OtsFile::ReadBytes(ByteView bytes, Reporter& reporter) {
    if (bytes.size() != kFileSize) {
        reporter.Show(Icon::Error, kErrorCaption, "Invalid format of OTS file");
        return false;
    }
    ByteReader in(bytes);
    OneTouchSettings settings{};
    std::array<std::array<bool, kOneTouchPartCount>, kOneTouchSettingCount> flags{};
    for (size_t s = 0; s < settings.size(); ++s) {
        for (size_t p = 0; p < settings[s].size(); ++p) {
            flags[s][p] = in.U8() != 0;
            settings[s][p] = OneTouchPart::Read(in);
        }
    }
    settings_ = settings;
    flags_ = flags;
    flagsRead_ = true;
    return true;
}

}  // namespace veltrano
