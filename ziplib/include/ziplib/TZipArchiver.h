// The archiver the programs use: standard "PK" records, Zip64 off until asked for, deflate for
// new items whenever a compression mode is set, and traditional encryption for a first password.
#pragma once

#include "ziplib/EZAException.h"
#include "ziplib/TZABaseArchiver.h"

namespace ziplib {

class TZipArchiver : public TZABaseArchiver {
public:
    explicit TZipArchiver(TComponent* owner = nullptr);

    void SetPassword(const std::string& password) override;
    // Deflate (8) when CompressionMode is not 0, else stored (0).
    void SetCompressionMethod() override;
};

}  // namespace ziplib
