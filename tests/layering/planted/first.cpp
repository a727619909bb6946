// Planted for the check of file-local names: a helper that second.cpp also defines.
namespace {

bool Fail(const char* why)
{
    return why == nullptr;
}

}  // namespace
