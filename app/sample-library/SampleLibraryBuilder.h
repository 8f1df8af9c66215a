#pragma once

#include "Error.h"

#include <QString>
#include <optional>

// Makes the sample library the program offers on its first run: a new library store holding the
// recipes of a card file, as the program itself would have made it: the library collection every
// recipe belongs to, the placeholder kitchen, cuisine, category and ingredient, and the ingredients
// the program knows from the start.
//
// Main thread, with a QCoreApplication; the caller points the user defaults at an empty file
// first, so that the user's settings do not shape the sample. Installs its own services for the
// length of the call and puts back whatever was installed before.
class SampleLibraryBuilder
{
public:
    // Replaces any file at `storePath` (and its -wal and -shm companions) with the new store, left
    // as one self-contained file. Answers the number of recipes written; on failure nullopt with
    // `error` set, and whatever was written at `storePath` removed. Anything the model logs while
    // building counts as a failure (a card that did not become a recipe, a failed lookup).
    static std::optional<int> buildLibrary(
        const QString& cardFilePath, const QString& storePath, Error* error);
};
