#include "gui/win32/private_fonts.h"

#include <windows.h>

#include <atomic>
#include <cstring>
#include <new>

namespace gui::win32 {

using Microsoft::WRL::ComPtr;

namespace {

// The RCDATA names of the four font files; a font file's key is its index here.
constexpr const wchar_t* kFontResources[] = {L"FONT_PHILOSOPHER", L"FONT_PHILOSOPHER_BOLD",
                                             L"FONT_BRUNO", L"FONT_GRUPPO"};
constexpr UINT32 kFontCount = sizeof(kFontResources) / sizeof(kFontResources[0]);
// The one collection this loader makes.
constexpr UINT32 kCollectionKey = 0x56465400;

// The bytes of an RCDATA resource of this exe; they live as long as the process.
bool ResourceBytes(const wchar_t* name, const void** data, UINT32* size) {
  HMODULE self = ::GetModuleHandleW(nullptr);
  HRSRC found = ::FindResourceW(self, name, MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (found == nullptr) return false;
  HGLOBAL loaded = ::LoadResource(self, found);
  *data = loaded != nullptr ? ::LockResource(loaded) : nullptr;
  *size = ::SizeofResource(self, found);
  return *data != nullptr && *size != 0;
}

// IUnknown for the small COM objects DirectWrite calls back into.
template <typename Interface>
class ComObject : public Interface {
 public:
  virtual ~ComObject() = default;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == __uuidof(IUnknown) || iid == __uuidof(Interface)) {
      *out = static_cast<Interface*>(this);
      this->AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 private:
  std::atomic<ULONG> refs_{1};
};

class MemoryStream : public ComObject<IDWriteFontFileStream> {
 public:
  MemoryStream(const void* data, UINT32 size) : data_(data), size_(size) {}
  HRESULT STDMETHODCALLTYPE ReadFileFragment(const void** start, UINT64 offset, UINT64 size,
                                             void** context) override {
    *context = nullptr;
    if (offset > size_ || size > size_ - offset) return E_FAIL;
    *start = static_cast<const BYTE*>(data_) + offset;
    return S_OK;
  }
  void STDMETHODCALLTYPE ReleaseFileFragment(void*) override {}
  HRESULT STDMETHODCALLTYPE GetFileSize(UINT64* size) override {
    *size = size_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetLastWriteTime(UINT64* time) override {
    *time = 0;
    return E_NOTIMPL;
  }

 private:
  const void* data_;
  UINT32 size_;
};

class ResourceFileLoader : public ComObject<IDWriteFontFileLoader> {
 public:
  HRESULT STDMETHODCALLTYPE CreateStreamFromKey(const void* key, UINT32 keySize,
                                                IDWriteFontFileStream** stream) override {
    *stream = nullptr;
    UINT32 index = 0;
    if (keySize != sizeof(index)) return E_INVALIDARG;
    std::memcpy(&index, key, sizeof(index));
    const void* data = nullptr;
    UINT32 size = 0;
    if (index >= kFontCount || !ResourceBytes(kFontResources[index], &data, &size)) return E_FAIL;
    *stream = new (std::nothrow) MemoryStream(data, size);
    return *stream != nullptr ? S_OK : E_OUTOFMEMORY;
  }
};

class ResourceFileEnumerator : public ComObject<IDWriteFontFileEnumerator> {
 public:
  ResourceFileEnumerator(IDWriteFactory* factory, IDWriteFontFileLoader* loader)
      : factory_(factory), loader_(loader) {}
  HRESULT STDMETHODCALLTYPE MoveNext(BOOL* has) override {
    *has = FALSE;
    current_.Reset();
    // A font the exe does not carry is skipped; the rest still load.
    while (next_ < kFontCount) {
      const UINT32 index = next_++;
      const void* data = nullptr;
      UINT32 size = 0;
      if (!ResourceBytes(kFontResources[index], &data, &size)) continue;
      const HRESULT hr =
          factory_->CreateCustomFontFileReference(&index, sizeof(index), loader_, &current_);
      if (FAILED(hr)) return hr;
      *has = TRUE;
      return S_OK;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetCurrentFontFile(IDWriteFontFile** file) override {
    *file = current_.Get();
    if (*file == nullptr) return E_FAIL;
    (*file)->AddRef();
    return S_OK;
  }

 private:
  IDWriteFactory* factory_;
  IDWriteFontFileLoader* loader_;
  ComPtr<IDWriteFontFile> current_;
  UINT32 next_ = 0;
};

class ResourceCollectionLoader : public ComObject<IDWriteFontCollectionLoader> {
 public:
  explicit ResourceCollectionLoader(IDWriteFontFileLoader* files) : files_(files) {}
  HRESULT STDMETHODCALLTYPE CreateEnumeratorFromKey(IDWriteFactory* factory, const void*, UINT32,
                                                    IDWriteFontFileEnumerator** out) override {
    *out = new (std::nothrow) ResourceFileEnumerator(factory, files_);
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
  }

 private:
  IDWriteFontFileLoader* files_;
};

}  // namespace

PrivateFonts::PrivateFonts(IDWriteFactory* factory) : factory_(factory) {
  file_loader_.Attach(new (std::nothrow) ResourceFileLoader());
  if (file_loader_ == nullptr) return;
  if (FAILED(factory_->RegisterFontFileLoader(file_loader_.Get()))) {
    file_loader_.Reset();
    return;
  }
  collection_loader_.Attach(new (std::nothrow) ResourceCollectionLoader(file_loader_.Get()));
  if (collection_loader_ == nullptr ||
      FAILED(factory_->RegisterFontCollectionLoader(collection_loader_.Get()))) {
    collection_loader_.Reset();
    return;
  }
  const UINT32 key = kCollectionKey;
  if (FAILED(factory_->CreateCustomFontCollection(collection_loader_.Get(), &key, sizeof(key),
                                                  &collection_))) {
    collection_.Reset();
  }
}

PrivateFonts::~PrivateFonts() {
  // The collection goes before the loaders it was made with are unregistered.
  collection_.Reset();
  if (collection_loader_ != nullptr)
    factory_->UnregisterFontCollectionLoader(collection_loader_.Get());
  if (file_loader_ != nullptr) factory_->UnregisterFontFileLoader(file_loader_.Get());
}

bool PrivateFonts::Has(const wchar_t* family) const {
  if (collection_ == nullptr) return false;
  UINT32 index = 0;
  BOOL exists = FALSE;
  return SUCCEEDED(collection_->FindFamilyName(family, &index, &exists)) && exists;
}

}  // namespace gui::win32
