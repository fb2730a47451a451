#include "Recovery.h"

#include "AppError.h"
#include "EngineTexts.h"
#include "PathText.h"

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace hozonix::engine {

namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

} // namespace

void ParkPreviousVersion(const std::string& target) {
    const std::string parked = ParkedNameOf(target);
    unlink(parked.c_str());
    if (Exists(target) && std::rename(target.c_str(), parked.c_str()) != 0)
        throw AppError(target + texts::RenameTo + texts::LineBreak + parked + texts::CannotPark);
}

void PutBackPreviousVersion(const std::string& target) {
    const std::string parked = ParkedNameOf(target);
    if (Exists(target))
        unlink(target.c_str());
    if (Exists(parked) && std::rename(parked.c_str(), target.c_str()) != 0)
        throw AppError(parked + texts::RenameTo + texts::LineBreak + target + texts::CannotPutBack);
}

} // namespace hozonix::engine
