#include "engine/Interaction.h"

namespace morvanex::engine {

int ProgressPosition(unsigned total, int current) {
    if (total == 0) return 0;
    return static_cast<int>(static_cast<double>(current) / static_cast<double>(total) * 100.0);
}

}  // namespace morvanex::engine
