#include "performance/SectionCodec.h"

#include "base/Reporter.h"

namespace veltrano {

void ReportError(Reporter& reporter, std::string_view caption, std::string_view text) {
    reporter.Show(Icon::Error, caption, text);
}

std::optional<size_t> RefBodySize(const PresetRef& ref, CodePage page) {
    if (!ref.IsFile()) {
        return 2;
    }
    return PathFieldSize(ref.path, page);
}

bool WriteRefBody(ByteWriter& out, const PresetRef& ref, CodePage page) {
    if (!ref.IsFile()) {
        out.U16Le(ref.number);
        return true;
    }
    return WritePathField(out, ref.path, page);
}

bool ReadRefBody(ByteView section, ByteReader& reader, PresetRef& ref, CodePage page,
                 Reporter& reporter, std::string_view caption, std::string_view field) {
    if (!ref.IsFile()) {
        ref.number = reader.U16Le();
        return true;  // a short read shows in the reader's state
    }
    PathFieldRead read = ReadPathField(section, reader, page);
    if (read.status != PathFieldStatus::Ok) {
        ReportError(reporter, caption, PathProblemText(read.status, field));
        return false;
    }
    ref.path = std::move(read.path);
    return true;
}

std::string PathProblemText(PathFieldStatus status, std::string_view field) {
    const std::string subject = "The " + std::string(field);
    switch (status) {
        case PathFieldStatus::NoTerminator:
            return subject + " has no terminator inside its section";
        case PathFieldStatus::TooLong:
            return subject + " is longer than " + std::to_string(kMaxPathBytes) + " bytes";
        case PathFieldStatus::CutShort:
            return subject + " runs past the end of its section";
        case PathFieldStatus::Ok:
            break;
    }
    return subject + " is fine";
}

std::string CutShortText(std::string_view section) {
    return "The " + std::string(section) + " section ends before its last field";
}

}  // namespace veltrano
