#include "ziplib/TZipArchiver.h"

#include "format/ZipConstants.h"

namespace ziplib {

TZipArchiver::TZipArchiver(TComponent* owner) : TZABaseArchiver(owner) {
    SignatureFamily = 1;
    Zip64Mode = TZip64Mode::zmDisabled;
    // The base constructor set the method through its own SetCompressionMethod, as C++ calls no
    // override before this class exists: set it again so it follows the compression mode.
    SetCompressionMethod();
}

void TZipArchiver::SetPassword(const std::string& password) {
    if (Password().empty()) EncryptionMethod = TZACryptoAlgorithm::caPkzipClassic;
    TZABaseArchiver::SetPassword(password);
}

void TZipArchiver::SetCompressionMethod() {
    SetCompressionMethodValue(CompressionMode() != 0 ? kMethodDeflate : kMethodStored);
}

}  // namespace ziplib
