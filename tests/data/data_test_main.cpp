#include <QCoreApplication>
#include <QLocale>

#include <gtest/gtest.h>

// Under AddressSanitizer, an allocation too large to make fails as it does
// without it (std::bad_alloc) instead of ending the tests: the tests of
// hostile files check the message the user gets then.
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1";
}

int main(int argc, char** argv) {
    QLocale::setDefault(QLocale::c());
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
