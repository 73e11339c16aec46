// A report that reaches up into the session: against the arrows.
#include "flash/report/sample_report.h"
#include <string>
#include "flash/session/sample_session.h"
#include "nlohmann/json.hpp"
