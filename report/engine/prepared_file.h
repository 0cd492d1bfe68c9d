// The prepared-report file (".frp"): a prepared report saved with its pages, so that it
// can be previewed and printed later without its data. The layout is documented above
// the reader in prepared_file.cpp; TfrEMFPages::LoadFromStream and SaveToStream are its
// only reader and writer.
#pragma once

#include <QString>
#include <memory>

class TfrEMFPages;
class TfrStream;

// The hook through which page data may be compressed. This one is not enabled and
// leaves the data as it is, so files carry plain page data and the compression flag 0.
class TfrCompressor {
public:
    virtual ~TfrCompressor() = default;
    bool Enabled = false;
    // Appends the packed (or unpacked) form of source to dest.
    virtual void Compress(const TfrStream &source, TfrStream &dest);
    virtual void DeCompress(const TfrStream &source, TfrStream &dest);
};

// The installed compressor (never null after start-up).
extern std::unique_ptr<TfrCompressor> frCompressor;

// Creates (or replaces) the file and writes the pages into it. The file is replaced only
// when the whole report was written.
void frSavePreparedReport(const TfrEMFPages &pages, const QString &fileName);
// Clears the pages, then reads them from the file. EfrError when the file cannot be
// opened, EReadError when it is not a prepared report; either way the list is left empty.
void frLoadPreparedReport(TfrEMFPages &pages, const QString &fileName);
