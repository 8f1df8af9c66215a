#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

class ManagedObjectModel;

// What every fuzz check shares. The checks run from the libFuzzer entry points and from the
// regression test over the saved inputs of fuzz/regressions/; both run them on the main thread.
namespace FuzzSupport
{

// Aborts on a broken invariant, so libFuzzer (or the test) reports it with the stack; the
// scratch folders go first.
void require(bool condition);

// The application object some of the model needs (main thread, run loop, offscreen fonts);
// made once when the process has none, kept to the end.
void ensureApplication();

// A template for QTemporaryDir: in memory when the system offers a tmpfs, since stores that sync
// every save would otherwise keep the fuzzer waiting on the disk.
QString scratchFolderTemplate();
// Removes the folder when the process exits normally or a check fails: stores kept for the whole
// run are never destroyed, so their temporary folders would stay behind.
void removeAtExit(const QString& path);

// The library's object model with the model classes registered; made once, kept to the end.
const ManagedObjectModel& libraryModel();

QByteArray bytesOf(const uint8_t* data, size_t size);

// The first byte picks how the rest becomes text: as UTF-8 (invalid sequences included) when
// even, as raw UTF-16 units (lone surrogates, U+2028 and friends) when odd.
QString textFromInput(const uint8_t* data, size_t size);

} // namespace FuzzSupport
