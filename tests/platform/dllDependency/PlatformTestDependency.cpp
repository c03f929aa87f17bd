// A library that another test library imports, built into a folder of its own
// so that the loader finds it only where a test puts it.

extern "C" int DependencyValue()
{
    return 42;
}
