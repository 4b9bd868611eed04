// The shape of a configuration archive, as the library's text archive writes the registry:
//   header      22 "serialization::archive" FORMAT
//   registry    class information (not tracked, version 0) of Desktop, then of the list
//   list        COUNT [ITEM-VERSION from format 4 on] then COUNT cursors
//   cursor      CursorThread pointer: class id 2 (with class information the first time) and a
//               new object id; Cursor pointer: class id 3 (likewise) and a new object id;
//               the cursor's saved fields in their order (config/saved_fields.h): integers,
//               the scale (from class version 1), the background path, and the launch array:
//               COUNT (at most a launcher per face of the largest solid), the class
//               information of Launch before the first entry of the archive, the paths
//   string      LENGTH, one space, LENGTH bytes
#include "config/archive_check.h"

#include "config/saved_fields.h"

#include <boost/archive/basic_archive.hpp>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace voxtrel {

namespace {

constexpr const char* SIGNATURE = "serialization::archive";
constexpr long long CURSOR_THREAD_CLASS = 2; // after Desktop (0) and the list (1)
constexpr long long CURSOR_CLASS = 3;
// The smallest a cursor can be in the text: a generous lower bound for counting.
constexpr std::size_t MINIMAL_CURSOR_BYTES = 30;

// A description for the user of what is wrong with the file.
struct Refused : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Reader {
public:
    explicit Reader(const std::string& text) : text_(text) {}

    long long integer(const char* what) {
        const std::string token = next(what);
        std::size_t digits = token[0] == '-' || token[0] == '+' ? 1 : 0;
        if (digits == token.size() || token.size() - digits > 18)
            refuse(std::string(what) + " is not a number");
        for (std::size_t i = digits; i < token.size(); ++i) {
            if (!std::isdigit(static_cast<unsigned char>(token[i])))
                refuse(std::string(what) + " is not a number");
        }
        return std::strtoll(token.c_str(), nullptr, 10);
    }

    // Values the library reads into 32-bit fields: anything outside them would make it fail
    // half-way through an object.
    void int32(const char* what) {
        const long long value = integer(what);
        if (value < INT32_MIN || value > INT32_MAX)
            refuse(std::string(what) + " is out of range");
    }
    void uint32(const char* what) {
        const long long value = integer(what);
        if (value < 0 || value > static_cast<long long>(UINT32_MAX))
            refuse(std::string(what) + " is out of range");
    }

    void expect(long long wanted, const char* what) {
        if (integer(what) != wanted)
            refuse(std::string(what) + " is not what this program writes");
    }

    // A floating-point number; one the library cannot read is replaced.
    void real(const char* what, double replacementForNan) {
        skipSpace();
        const std::size_t start = position_;
        const std::string token = next(what);
        std::string lower;
        for (char c : token)
            lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const bool negative = lower[0] == '-';
        const std::string bare = negative || lower[0] == '+' ? lower.substr(1) : lower;
        if (bare == "nan" || bare.rfind("nan(", 0) == 0) {
            patches_.push_back({start, token.size(), std::to_string(replacementForNan)});
            return;
        }
        if (bare == "inf" || bare == "infinity") {
            patches_.push_back({start, token.size(), negative ? "0.1" : "1"});
            return;
        }
        if (!isDecimal(token))
            refuse(std::string(what) + " is not a number");
        // Beyond what a double holds, the library's reader fails; the nearest scale stands in.
        errno = 0;
        const double value = std::strtod(token.c_str(), nullptr);
        if (errno == ERANGE || !std::isfinite(value))
            patches_.push_back({start, token.size(), value > 1 ? "1" : "0.1"});
    }

    // What the library's reader takes as a number: [sign] digits [. digits] [e [sign] digits].
    static bool isDecimal(const std::string& token) {
        std::size_t i = 0;
        auto digits = [&] {
            const std::size_t from = i;
            while (i < token.size() && std::isdigit(static_cast<unsigned char>(token[i])))
                ++i;
            return i - from;
        };
        if (token.size() > 40)
            return false;
        if (i < token.size() && (token[i] == '-' || token[i] == '+'))
            ++i;
        std::size_t mantissa = digits();
        if (i < token.size() && token[i] == '.') {
            ++i;
            mantissa += digits();
        }
        if (mantissa == 0)
            return false;
        if (i < token.size() && (token[i] == 'e' || token[i] == 'E')) {
            ++i;
            if (i < token.size() && (token[i] == '-' || token[i] == '+'))
                ++i;
            if (digits() == 0)
                return false;
        }
        return i == token.size();
    }

    // A string: its length, one space, that many bytes.
    void string(const char* what) { stringOfLength(integer(what), what); }

    // The rest of a string whose length has been read; returns where its bytes start.
    std::size_t stringOfLength(long long length, const char* what) {
        if (length < 0)
            refuse(std::string(what) + " has a negative length");
        if (position_ >= text_.size() || text_[position_] != ' ')
            refuse(std::string(what) + " is cut short");
        ++position_;
        if (static_cast<unsigned long long>(length) > text_.size() - position_)
            refuse(std::string(what) + " is longer than the file");
        const std::size_t start = position_;
        position_ += static_cast<std::size_t>(length);
        return start;
    }

    std::size_t remaining() const { return text_.size() - position_; }

    void expectEnd() {
        skipSpace();
        if (position_ != text_.size())
            refuse("there is more in the file than the configuration");
    }

    std::string patched() const {
        std::string result = text_;
        for (auto it = patches_.rbegin(); it != patches_.rend(); ++it)
            result.replace(it->start, it->length, it->replacement);
        return result;
    }

    [[noreturn]] void refuse(const std::string& what) const {
        throw Refused("The configuration file is damaged: " + what + " (at byte " +
                      std::to_string(position_) + ").");
    }

private:
    void skipSpace() {
        while (position_ < text_.size() &&
               std::isspace(static_cast<unsigned char>(text_[position_])))
            ++position_;
    }

    std::string next(const char* what) {
        skipSpace();
        const std::size_t start = position_;
        while (position_ < text_.size() &&
               !std::isspace(static_cast<unsigned char>(text_[position_])))
            ++position_;
        if (start == position_)
            refuse(std::string("the file ends before ") + what);
        return text_.substr(start, position_ - start);
    }

    struct Patch {
        std::size_t start;
        std::size_t length;
        std::string replacement;
    };

    const std::string& text_;
    std::size_t position_ = 0;
    std::vector<Patch> patches_;
};

// The class information of a class that is not tracked, at version 0.
void plainClass(Reader& reader, const char* what) {
    reader.expect(0, what);
    reader.expect(0, what);
}

class Shape {
public:
    explicit Shape(Reader& reader) : reader_(reader) {}

    void cursorEntry() {
        const long long threadClass = reader_.integer("a cursor's class");
        if (threadClass != CURSOR_THREAD_CLASS)
            reader_.refuse("a cursor of an unknown class");
        if (!threadClassSeen_) {
            reader_.expect(1, "the cursor class's tracking");
            reader_.expect(0, "the cursor class's version");
            threadClassSeen_ = true;
        }
        newObject();

        if (reader_.integer("a cursor's settings class") != CURSOR_CLASS)
            reader_.refuse("cursor settings of an unknown class");
        if (!cursorClassSeen_) {
            reader_.expect(1, "the settings class's tracking");
            cursorVersion_ = reader_.integer("the settings class's version");
            if (cursorVersion_ < 0 || cursorVersion_ > savedCursorVersion())
                reader_.refuse("cursor settings of a newer version than this program knows");
            cursorClassSeen_ = true;
        }
        newObject();

        forEachSavedField(static_cast<unsigned>(cursorVersion_),
                          [&](const auto& saved) { check(saved); });
    }

private:
    // Each kind of saved field as the library reads it.
    void check(const SavedField<INT>& saved) { reader_.int32(saved.what); }
    void check(const SavedField<UINT>& saved) { reader_.uint32(saved.what); }
    // The scale is the one real number saved: one the library cannot read becomes the default.
    void check(const SavedField<double>& saved) { reader_.real(saved.what, DEFAULT_SCALE); }
    void check(const SavedField<std::string>& saved) { reader_.string(saved.what); }
    template <std::size_t N> void check(const SavedField<Launch[N]>& saved) {
        const long long launches = reader_.integer("the number of launchers");
        if (launches < 0)
            reader_.refuse("a negative number of launchers");
        // The library's own words for more entries than a cursor has.
        if (launches > static_cast<long long>(N))
            throw Refused("array size too short");
        if (launches > 0 && !launchClassSeen_) {
            plainClass(reader_, "the launcher class");
            launchClassSeen_ = true;
        }
        for (long long i = 0; i < launches; ++i)
            reader_.string(saved.what);
    }

    // Every object of this program's files is written once, so each id is a new one; an id
    // that refers back to an earlier object is refused.
    void newObject() {
        if (reader_.integer("an object id") != nextObject_)
            reader_.refuse("an object id that this program never writes");
        ++nextObject_;
    }

    Reader& reader_;
    bool threadClassSeen_ = false;
    bool cursorClassSeen_ = false;
    bool launchClassSeen_ = false;
    long long cursorVersion_ = 1;
    long long nextObject_ = 0;
};

} // namespace

unsigned installedArchiveFormat() {
    return static_cast<unsigned>(boost::archive::BOOST_ARCHIVE_VERSION());
}

ArchiveCheck checkArchive(const std::string& file) {
    ArchiveCheck result;
    // An empty file the library reports in its own words, and safely.
    if (file.find_first_not_of(" \t\r\n") == std::string::npos) {
        result.text = file;
        return result;
    }
    Reader reader(file);
    try {
        // The header, in the library's own words when it is wrong.
        const auto signatureLength = static_cast<long long>(std::strlen(SIGNATURE));
        try {
            if (reader.integer("the signature") != signatureLength)
                throw Refused("");
            const std::size_t signature = reader.stringOfLength(signatureLength, "the signature");
            if (file.compare(signature, std::strlen(SIGNATURE), SIGNATURE) != 0)
                throw Refused("");
        } catch (const Refused&) {
            throw Refused("invalid signature");
        }
        const long long format = reader.integer("the archive format");
        if (format < OLDEST_ARCHIVE_FORMAT || format > installedArchiveFormat())
            throw Refused("unsupported version");

        plainClass(reader, "the registry's class");
        plainClass(reader, "the list's class");
        const long long count = reader.integer("the number of cursors");
        if (count < 0 ||
            static_cast<unsigned long long>(count) > reader.remaining() / MINIMAL_CURSOR_BYTES + 1)
            reader.refuse("more cursors than the file can hold");
        if (format > 3)
            reader.expect(0, "the list's item version");
        Shape shape(reader);
        for (long long i = 0; i < count; ++i)
            shape.cursorEntry();
        reader.expectEnd();
    } catch (const Refused& refused) {
        result.problem = refused.what();
        return result;
    }
    result.text = reader.patched();
    return result;
}

} // namespace voxtrel
