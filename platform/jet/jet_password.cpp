#include "platform/jet/jet_password.h"

#include "platform/base/error.h"

namespace qinghe::jet {

JetHeader checked_header(std::span<const unsigned char> page0, const std::string* password) {
    const std::optional<JetHeader> header = read_jet_header(page0);
    if (!header)
        throw platform::PlatformError("the file is no Jet 3 or Jet 4 database, or its first page is cut short");
    if (header->password.empty()) return *header;
    if (password == nullptr || *password != header->password)
        throw platform::PlatformError("wrong password: the Jet file holds another database password");
    return *header;
}

}  // namespace qinghe::jet
