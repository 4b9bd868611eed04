// What the configuration archive holds: each class's items in archive order, the class versions
// (Cursor 1, the rest 0), the library's default class information and selective tracking, no
// export keys. The pointer serializers of CursorThread and Cursor are registered while static
// objects are constructed, by the instantiations at the end of this file.
#include "config/archive.h"

#include "config/archive_check.h"
#include "config/saved_fields.h"
#include "config/saved_paths.h"
#include "cursor/screen_rules.h"

#include <boost/archive/text_iarchive.hpp>
#include <boost/archive/text_oarchive.hpp>
#include <boost/serialization/list.hpp>
#include <boost/serialization/string.hpp>
#include <boost/serialization/version.hpp>

#include <cmath>
#include <sstream>

BOOST_CLASS_VERSION(voxtrel::Cursor, voxtrel::savedCursorVersion())

namespace voxtrel {

namespace {

// A scale that the text archive can read back: its reader takes no "nan" or "inf", so a file
// holding one could never be loaded again.
double storableScale(double scale) {
    if (std::isnan(scale))
        return DEFAULT_SCALE;
    if (std::isinf(scale))
        return scale > 0 ? 1.0 : 0.1;
    return scale;
}

// Applies the archive to the items in order: written on saving, read on loading.
template <class Archive, class... Items> void items(Archive& archive, Items&... all) {
    (archive & ... & all);
}

// A saved field of a cursor; the scale is written in a form the archive can read back.
template <class Archive, class T> void field(Archive& archive, T& value) {
    archive& value;
}
template <class Archive> void field(Archive& archive, double& value) {
    if constexpr (Archive::is_saving::value) {
        double stored = storableScale(value);
        archive& stored;
    } else {
        archive& value;
    }
}

} // namespace

template <class Archive> void Launch::serialize(Archive& archive, unsigned int) {
    items(archive, path);
}

template <class Archive> void Cursor::serialize(Archive& archive, unsigned int version) {
    std::lock_guard<std::mutex> guard(savedFieldsLock);
    forEachSavedField(version, [&](const auto& saved) { field(archive, this->*saved.member); });
    if constexpr (Archive::is_loading::value) {
        takeLoadedPlaceIntoRange(centerX, centerY, width, height);
        texturePath = loadedPath(texturePath);
        for (Launch& launch : launches)
            launch.path = loadedPath(launch.path);
    }
}

template <class Archive> void CursorThread::serialize(Archive& archive, unsigned int) {
    if constexpr (Archive::is_loading::value) {
        Cursor* loaded = nullptr;
        items(archive, loaded);
        // The loaded cursor takes the place of the default one this entry was made with.
        delete cursor;
        cursor = loaded;
    } else {
        items(archive, cursor);
    }
}

template <class Archive> void Desktop::serialize(Archive& archive, unsigned int) {
    if constexpr (Archive::is_saving::value) {
        // No cursor thread leaves the list while it is written.
        lock();
        try {
            items(archive, threads);
        } catch (...) {
            unlock();
            throw;
        }
        unlock();
    } else {
        // Read aside and added whole: a failure part-way leaves no entry without a thread.
        std::list<CursorThread*> loaded;
        try {
            items(archive, loaded);
        } catch (...) {
            for (CursorThread* entry : loaded)
                delete entry;
            throw;
        }
        lock();
        threads.splice(threads.end(), loaded);
        unlock();
    }
}

std::string writeArchive(Desktop& desktop) {
    std::ostringstream text;
    {
        boost::archive::text_oarchive archive(text);
        archive << desktop;
    }
    return text.str();
}

std::optional<std::string> readArchive(const std::string& text, Desktop& desktop) {
    const ArchiveCheck checked = checkArchive(text);
    if (!checked.problem.empty())
        return checked.problem;
    std::istringstream stream(checked.text);
    try {
        boost::archive::text_iarchive archive(stream);
        archive >> desktop;
    } catch (const std::exception& error) {
        return std::string(error.what());
    }
    return std::nullopt;
}

template void Desktop::serialize(boost::archive::text_oarchive&, unsigned int);
template void Desktop::serialize(boost::archive::text_iarchive&, unsigned int);

} // namespace voxtrel
