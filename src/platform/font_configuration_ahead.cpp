#include "platform/font_configuration_ahead.h"

#include <dlfcn.h>

namespace {

using FcInitFunction = int (*)();

// The toolkit's own font library, looked up rather than linked: where the toolkit was built
// without it there is nothing to read ahead.
FcInitFunction fontconfigInit()
{
    return reinterpret_cast<FcInitFunction>(dlsym(RTLD_DEFAULT, "FcInit"));
}

} // namespace

FontConfigurationAhead::FontConfigurationAhead()
{
    if (FcInitFunction init = fontconfigInit())
        m_reader = std::thread([init] { init(); });
}

FontConfigurationAhead::~FontConfigurationAhead()
{
    wait();
}

void FontConfigurationAhead::wait()
{
    if (m_reader.joinable())
        m_reader.join();
}
