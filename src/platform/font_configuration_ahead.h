#ifndef BRENLOWICK_FONT_CONFIGURATION_AHEAD_H
#define BRENLOWICK_FONT_CONFIGURATION_AHEAD_H

#include <thread>

// Reads the desktop's font configuration on a second core while the toolkit connects to the
// display. Reading it is the largest single cost before the window can be laid out (dozens of
// configuration files), and nothing else needs it until the first text is measured.
class FontConfigurationAhead {
public:
    FontConfigurationAhead();
    ~FontConfigurationAhead();
    FontConfigurationAhead(const FontConfigurationAhead &) = delete;
    FontConfigurationAhead &operator=(const FontConfigurationAhead &) = delete;

    // Blocks until the configuration has been read; call it before the first text is measured,
    // so that the toolkit does not read it a second time alongside.
    void wait();

private:
    std::thread m_reader;
};

#endif
