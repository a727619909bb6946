// Planted for the check of file-local names: the same name, another meaning.
#include <string>

namespace {

bool Fail(std::string* error, const std::string& why)
{
    if (error) *error = why;
    return false;
}

}  // namespace
