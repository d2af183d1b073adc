#pragma once

#include "config.h"
#include "values.h"

#include "edsdk.h"

#include <map>
#include <string>
#include <vector>

namespace edsim {

// The state of the camera body and the rules a real one applies to its properties.
// Not thread-safe: the simulator guards it.
class Body {
public:
    explicit Body(const Config& config);

    const Config& config() const { return config_; }

    bool known(EdsPropertyID property) const;
    EdsDataType dataType(EdsPropertyID property) const;
    bool isString(EdsPropertyID property) const { return dataType(property) == kEdsDataType_String; }

    // Value as the body reports it now (the mode dial can override what was set).
    uint32_t value(EdsPropertyID property) const;
    std::string text(EdsPropertyID property) const;
    Codes allowed(EdsPropertyID property) const;
    bool hostWritable(EdsPropertyID property) const;

    // Writes from the computer and turns at the body; both return an SDK code and
    // change nothing on failure.
    EdsError writeFromHost(EdsPropertyID property, uint32_t value);
    EdsError writeTextFromHost(EdsPropertyID property, const std::string& text);
    EdsError turn(EdsPropertyID property, uint32_t value);

    struct Changes {
        std::vector<EdsPropertyID> lists;
        std::vector<EdsPropertyID> values;
    };
    // Turns the mode dial; reports which other lists and values the new position changed.
    Changes setModeDial(uint32_t aeMode);

    // Properties with allowed-values lists, and every property with a value, in the
    // order the body announces them.
    static const std::vector<EdsPropertyID>& listProperties();
    static const std::vector<EdsPropertyID>& valueProperties();

    void countShutter() { ++shutterCount_; }
    // Takes the next file number, wrapping after 9999 as the camera does.
    uint32_t takeFileNumber();

private:
    Config config_;
    uint32_t dial_;
    std::map<EdsPropertyID, uint32_t> stored_;
    std::string owner_;
    uint32_t shutterCount_ = 0;
    uint32_t nextNumber_;
};

} // namespace edsim
