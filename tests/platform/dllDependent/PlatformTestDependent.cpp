// A library with an import of its own (PlatformTestDependency.dll), for the
// tests of where a loaded library's imports come from.

extern "C" int DependencyValue();

extern "C" int DependentValue()
{
    return DependencyValue() + 1;
}
