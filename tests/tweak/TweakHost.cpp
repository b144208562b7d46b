#include "TweakHost.hpp"

#include <DeviceLayout.hpp>
#include <foundation/DeviceRoot.hpp>
#include <foundation/NSData.hpp>
#include <foundation/NSRunLoop.hpp>
#include <tweak/ZovaSettings.hpp>

#include <gtest/gtest.h>

#include <cstdlib>
#include <dlfcn.h>

TweakHost& TweakHost::shared()
{
    static auto* instance = new TweakHost;
    return *instance;
}

TweakHost::TweakHost()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "zova-tweak-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        std::abort();
    m_root = pattern;
    DeviceRoot::set(m_root);
    // The host lives as long as the process; its device goes with it instead of piling up.
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(shared().m_root, ignored);
    });
    std::string error;
    if (!sim::installDevice(error)) {
        ADD_FAILURE() << error;
        std::abort();
    }
    m_host = std::make_unique<sim::AssistantHost>(sim::FlamesClass::Registered);
    auto library = DeviceRoot::resolve("/Library/MobileSubstrate/DynamicLibraries/zova.dylib");
    m_library = ::dlopen(library->c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!m_library) {
        ADD_FAILURE() << "the loader did not load zova.dylib";
        std::abort();
    }
    accesoAtLoad = acceso();
    trasparenteAtLoad = trasparente();
    siripicAtLoad = siripic();
}

void* TweakHost::symbol(const char* name) const
{
    void* address = ::dlsym(m_library, name);
    if (!address) {
        ADD_FAILURE() << "zova.dylib exports no " << name;
        std::abort();
    }
    return address;
}

bool& TweakHost::acceso() const { return *static_cast<bool*>(symbol("acceso")); }
bool& TweakHost::trasparente() const { return *static_cast<bool*>(symbol("trasparente")); }
int64_t& TweakHost::siripic() const { return *static_cast<int64_t*>(symbol("siripic")); }
std::shared_ptr<HBPreferences>& TweakHost::preferences() const { return *static_cast<std::shared_ptr<HBPreferences>*>(symbol("preferences")); }
std::shared_ptr<UIView>& TweakHost::gifView() const { return *static_cast<std::shared_ptr<UIView>*>(symbol("gifView")); }
std::shared_ptr<UIImageView>& TweakHost::gifImageView() const { return *static_cast<std::shared_ptr<UIImageView>*>(symbol("gifImageView")); }

void TweakHost::setSettings(bool accesoValue, bool trasparenteValue, int64_t siripicValue)
{
    auto store = HBPreferences::initWithIdentifier(zova::preferencesIdentifier);
    store->setBool(accesoValue, zova::accesoKey);
    store->setBool(trasparenteValue, zova::trasparenteKey);
    store->setInteger(siripicValue, zova::siripicKey);
    bool arrived = NSRunLoop::mainRunLoop()->runUntil([&] {
        return acceso() == accesoValue && trasparente() == trasparenteValue && siripic() == siripicValue;
    }, 5.0);
    ASSERT_TRUE(arrived) << "the tweak's variables did not follow the store";
}

void TweakHost::writeDeviceFile(const std::string& devicePath, const std::vector<uint8_t>& bytes)
{
    ASSERT_TRUE(NSData(bytes).writeToFile(devicePath, NSDataWritingAtomic, nullptr));
}

void TweakHost::removeDeviceFile(const std::string& devicePath)
{
    std::filesystem::remove(*DeviceRoot::resolve(devicePath));
}
