// Entry points whose behaviour is not built yet: each does nothing.
#include "online/connectivity.h"

bool isConnected() { return false; }
std::optional<std::string> fetchPage(const std::string&) { return std::nullopt; }
