#include "model/AppValues.h"

namespace krv {

AppValues& TheAppValues()
{
    static AppValues values;
    return values;
}

}  // namespace krv
