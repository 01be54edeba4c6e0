#include "cli/cli_output.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <utility>

#include "cli/cli_command.h"

namespace cli {

namespace {

std::string Hex2(unsigned char c, const char* format) {
    char text[8];
    std::snprintf(text, sizeof text, format, unsigned{c});
    return text;
}

} // namespace

bool& TraceLineOpen() {
    static bool open = false;
    return open;
}

std::string JsonQuote(std::string_view bytes, bool utf8) {
    std::string out = "\"";
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if ((c >= 0x20 && c < 0x7F) || (utf8 && c >= 0x80)) {
            out += ch;
        } else {
            out += Hex2(c, "\\u%04X");
        }
    }
    return out + "\"";
}

Json Json::Number(long long value) {
    Json j(Kind::Number);
    j.number_ = value;
    return j;
}

Json Json::String(std::string_view bytes) {
    Json j(Kind::String);
    j.text_ = bytes;
    return j;
}

Json Json::Utf8(std::string_view text) {
    Json j = String(text);
    j.utf8_ = true;
    return j;
}

Json Json::Array() {
    return Json(Kind::Array);
}

Json Json::Object() {
    return Json(Kind::Object);
}

Json& Json::add(Json item) {
    items_.push_back(std::move(item));
    return *this;
}

Json& Json::set(std::string_view name, Json value) {
    members_.emplace_back(std::string(name), std::move(value));
    return *this;
}

void Json::writeInline(std::ostream& out) const {
    switch (kind_) {
    case Kind::Number:
        out << number_;
        return;
    case Kind::String:
        out << JsonQuote(text_, utf8_);
        return;
    case Kind::Array:
        out << "[";
        for (size_t i = 0; i < items_.size(); ++i) {
            out << (i ? ", " : "");
            items_[i].writeInline(out);
        }
        out << "]";
        return;
    case Kind::Object:
        out << "{";
        for (size_t i = 0; i < members_.size(); ++i) {
            out << (i ? ", " : "") << JsonQuote(members_[i].first) << ": ";
            members_[i].second.writeInline(out);
        }
        out << "}";
        return;
    }
}

void Json::write(std::ostream& out) const {
    if (kind_ == Kind::Object && !members_.empty()) {
        out << "{\n";
        for (size_t i = 0; i < members_.size(); ++i) {
            out << "  " << JsonQuote(members_[i].first) << ": ";
            members_[i].second.writeInline(out);
            out << (i + 1 < members_.size() ? ",\n" : "\n");
        }
        out << "}\n";
    } else if (kind_ == Kind::Array && !items_.empty()) {
        out << "[\n";
        for (size_t i = 0; i < items_.size(); ++i) {
            out << "  ";
            items_[i].writeInline(out);
            out << (i + 1 < items_.size() ? ",\n" : "\n");
        }
        out << "]\n";
    } else {
        writeInline(out);
        out << "\n";
    }
}

std::string FileReason(FileError error, const std::string& wrongContent) {
    switch (error) {
    case FileError::kMissing:
        return "no such file or folder";
    case FileError::kDenied:
        return "permission denied";
    case FileError::kNotRegular:
        return "not a regular file (a folder, device or pipe)";
    case FileError::kHardLinked:
        return "the file has more than one name (hard links) and saving would separate them; "
               "save under another name";
    case FileError::kUnsafeLink:
        return "a symbolic link that loops or that another user made in a shared folder";
    case FileError::kWrongContent:
        return wrongContent;
    case FileError::kProblems:
        return "lines that cannot be taken";
    case FileError::kNoTable:
        return "no phonebook in memory";
    case FileError::kNone:
    case FileError::kFailed:
        break;
    }
    return "read or write error";
}

std::string InputName(const std::string& file) {
    return file == "-" ? "standard input" : "'" + EscapeText(file) + "'";
}

FileError ReadInput(const std::string& file, Io& io, size_t limit, std::string& text) {
    if (file != "-") {
        return ReadWholeFile(file, limit, text);
    }
    if (io.in == nullptr) {
        return FileError::kMissing;
    }
    // A closed standard input or a folder reads as empty through the stream:
    // that is a read error, not a file of the wrong kind.
    const bool standard = io.in->rdbuf() == std::cin.rdbuf();
    struct stat st {};
    if (standard && ::fstat(STDIN_FILENO, &st) != 0) {
        return FileError::kFailed;
    }
    if (standard && S_ISDIR(st.st_mode)) {
        return FileError::kNotRegular;
    }
    // One byte more than allowed tells input that is too long.
    std::string bytes(limit + 1, '\0');
    io.in->read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (io.in->bad() || (standard && std::ferror(stdin) != 0)) {
        return FileError::kFailed;
    }
    bytes.resize(static_cast<size_t>(io.in->gcount()));
    if (bytes.size() > limit) {
        return FileError::kWrongContent;
    }
    text = std::move(bytes);
    return FileError::kNone;
}

void PrintWrapped(std::ostream& out, std::string head, const std::string& text, size_t indent,
                  size_t width) {
    std::string line = std::move(head);
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = std::min(text.find(' ', start), text.size());
        const std::string word = text.substr(start, end - start);
        if (line.size() > indent && line.size() + 1 + word.size() > width) {
            out << line << "\n";
            line = std::string(indent, ' ') + word;
        } else {
            line += (line.size() > indent ? " " : "") + word;
        }
        start = end + 1;
    }
    out << line << "\n";
}

} // namespace cli
