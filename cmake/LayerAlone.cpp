// Linked with every object of one core layer and only the layers below it: a layer that calls into
// a layer above it fails to link here.
int main()
{
    return 0;
}
