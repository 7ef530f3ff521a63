#pragma once
// What the C++20 code uses that Emscripten 3.1.6's libc++ (Debian 12) does
// not have yet. Force-included in the web build only.
#include <memory>
#include <type_traits>

#if !defined(__cpp_lib_smart_ptr_for_overwrite)
namespace std {
template <class T>
    requires is_unbounded_array_v<T>
unique_ptr<T> make_unique_for_overwrite(size_t n)
{
    return unique_ptr<T>(new remove_extent_t<T>[n]);
}
template <class T>
    requires(!is_array_v<T>)
unique_ptr<T> make_unique_for_overwrite()
{
    return unique_ptr<T>(new T);
}
}  // namespace std
#endif
