// Keeps the library non-empty until the first data sources land.
namespace lmv {
int dataLibraryVersion()
{
    return 2;
}
} // namespace lmv
