// Anchor for the resource library; the data itself is compiled in by qt_add_resources.
namespace KitchoraResources
{
int anchor()
{
    return 0;
}
} // namespace KitchoraResources
