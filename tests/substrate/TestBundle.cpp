// A stand-in bundle executable: it defines the bundle's principal class.
#include <objc/NSObject.hpp>

namespace {

class TestPrincipal : public NSObject { };

const Class s_class = objc::registerClass<TestPrincipal>("ZTBundlePrincipal", "NSObject");

}
