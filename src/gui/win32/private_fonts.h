// The brand's font files, carried in the exe as resources and served to DirectWrite from
// memory: nothing is installed on the machine and no font file sits where another account
// could swap it. Built with the custom collection loader, which every DirectWrite since
// Windows 7 and Wine's have; a family missing from it falls back to the system's.
#pragma once

#include <dwrite.h>
#include <wrl/client.h>

namespace gui::win32 {

class PrivateFonts {
 public:
  // Registers the loaders with `factory` and builds the collection; on any failure the
  // collection stays null and the text formats use system fonts.
  explicit PrivateFonts(IDWriteFactory* factory);
  ~PrivateFonts();
  PrivateFonts(const PrivateFonts&) = delete;
  PrivateFonts& operator=(const PrivateFonts&) = delete;

  IDWriteFontCollection* collection() const { return collection_.Get(); }
  // Whether `family` is in the collection.
  bool Has(const wchar_t* family) const;

 private:
  Microsoft::WRL::ComPtr<IDWriteFactory> factory_;
  Microsoft::WRL::ComPtr<IDWriteFontFileLoader> file_loader_;
  Microsoft::WRL::ComPtr<IDWriteFontCollectionLoader> collection_loader_;
  Microsoft::WRL::ComPtr<IDWriteFontCollection> collection_;
};

}  // namespace gui::win32
