// Keeps the library non-empty until the first data sources land.
namespace lmv {
int deviceCoreVersion()
{
    return 2;
}
} // namespace lmv
