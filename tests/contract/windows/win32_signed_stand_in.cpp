// A program signed the Authenticode way by a certificate that names its signer but that no
// trusted root vouches for: the image hash and the signature are sound, only the chain
// fails, so the verifier holds the signer's certificate while it refuses the file. Or the
// same program altered after signing, which fails its digest.
#include <windows.h>
// After <windows.h>, which they need.
#include <wincrypt.h>
#include <wintrust.h>

#include <cstddef>
#include <string>
#include <vector>

#include "contract/contract_system.h"
#include "contract/windows/own_image.h"

namespace contract {
namespace {

constexpr wchar_t kContainer[] = L"VeltraneContractUntrustedSigner";

// SHA-256 of the image without its checksum and security entry (it has no certificate
// table yet).
std::vector<BYTE> ImageHash(HCRYPTPROV provider, std::string& image) {
  const auto pe = *reinterpret_cast<const LONG*>(image.data() + 0x3C);
  const std::size_t checksum = pe + 24 + offsetof(IMAGE_OPTIONAL_HEADER64, CheckSum);
  const std::size_t entry = reinterpret_cast<char*>(SecurityEntry(image)) - image.data();
  HCRYPTHASH hash = 0;
  ::CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash);
  const auto* bytes = reinterpret_cast<const BYTE*>(image.data());
  ::CryptHashData(hash, bytes, static_cast<DWORD>(checksum), 0);
  ::CryptHashData(hash, bytes + checksum + 4, static_cast<DWORD>(entry - checksum - 4), 0);
  ::CryptHashData(hash, bytes + entry + 8, static_cast<DWORD>(image.size() - entry - 8), 0);
  std::vector<BYTE> digest(32);
  DWORD size = 32;
  ::CryptGetHashParam(hash, HP_HASHVAL, digest.data(), &size, 0);
  ::CryptDestroyHash(hash);
  return digest;
}

std::vector<BYTE> Encode(LPCSTR type, const void* value) {
  DWORD size = 0;
  ::CryptEncodeObject(X509_ASN_ENCODING, type, value, nullptr, &size);
  std::vector<BYTE> out(size);
  ::CryptEncodeObject(X509_ASN_ENCODING, type, value, out.data(), &size);
  out.resize(size);
  return out;
}

// A self-signed code-signing certificate with O and CN set, its key in `provider`.
PCCERT_CONTEXT SelfSignedSigner(HCRYPTPROV provider) {
  const wchar_t* subject = L"O=Untrusted Signer Ltd, CN=Untrusted Signer";
  DWORD size = 0;
  ::CertStrToNameW(X509_ASN_ENCODING, subject, CERT_X500_NAME_STR, nullptr, nullptr, &size,
                   nullptr);
  std::vector<BYTE> name(size);
  ::CertStrToNameW(X509_ASN_ENCODING, subject, CERT_X500_NAME_STR, nullptr, name.data(), &size,
                   nullptr);
  CERT_NAME_BLOB name_blob{size, name.data()};
  LPSTR usages[] = {const_cast<LPSTR>(szOID_PKIX_KP_CODE_SIGNING)};
  CERT_ENHKEY_USAGE usage{1, usages};
  std::vector<BYTE> usage_bytes = Encode(X509_ENHANCED_KEY_USAGE, &usage);
  CERT_EXTENSION extension{const_cast<LPSTR>(szOID_ENHANCED_KEY_USAGE),
                           FALSE,
                           {static_cast<DWORD>(usage_bytes.size()), usage_bytes.data()}};
  CERT_EXTENSIONS extensions{1, &extension};
  CRYPT_KEY_PROV_INFO key{};
  key.pwszContainerName = const_cast<LPWSTR>(kContainer);
  key.pwszProvName = const_cast<LPWSTR>(MS_ENH_RSA_AES_PROV_W);
  key.dwProvType = PROV_RSA_AES;
  key.dwKeySpec = AT_SIGNATURE;
  CRYPT_ALGORITHM_IDENTIFIER algorithm{const_cast<LPSTR>(szOID_RSA_SHA256RSA), {}};
  return ::CertCreateSelfSignCertificate(provider, &name_blob, 0, &key, &algorithm, nullptr,
                                         nullptr, &extensions);
}

// PKCS#7 signed data over the image's indirect data, the signer's certificate inside.
std::vector<BYTE> SignedIndirectData(HCRYPTPROV provider, PCCERT_CONTEXT signer,
                                     const std::vector<BYTE>& digest) {
  // SpcIndirectDataContent in DER: SpcPeImageData (no flags, an empty file link) and the
  // SHA-256 digest. Written out because Wine's encoder for it fails.
  std::vector<BYTE> content_bytes = {
      0x30, 0x4C,                                                              // content
      0x30, 0x17, 0x06, 0x0A, 0x2B, 0x06, 0x01, 0x04, 0x01, 0x82, 0x37, 0x02,  // PE image
      0x01, 0x0F, 0x30, 0x09, 0x03, 0x01, 0x00, 0xA0, 0x04, 0xA2, 0x02, 0x80,  //   data
      0x00, 0x30, 0x31, 0x30, 0x0D, 0x06, 0x09, 0x60, 0x86, 0x48, 0x01, 0x65,  // SHA-256
      0x03, 0x04, 0x02, 0x01, 0x05, 0x00, 0x04, 0x20};                         //   digest
  content_bytes.insert(content_bytes.end(), digest.begin(), digest.end());
  // An empty SpcSpOpusInfo: with one signed attribute the content type and digest are
  // signed too, as Authenticode wants.
  BYTE opus[] = {0x30, 0x00};
  CRYPT_ATTR_BLOB opus_blob{sizeof opus, opus};
  CRYPT_ATTRIBUTE opus_attribute{const_cast<LPSTR>(SPC_SP_OPUS_INFO_OBJID), 1, &opus_blob};
  CMSG_SIGNER_ENCODE_INFO signer_info{};
  signer_info.cbSize = sizeof signer_info;
  signer_info.pCertInfo = signer->pCertInfo;
  signer_info.hCryptProv = provider;
  signer_info.dwKeySpec = AT_SIGNATURE;
  signer_info.HashAlgorithm.pszObjId = const_cast<LPSTR>(szOID_NIST_sha256);
  signer_info.cAuthAttr = 1;
  signer_info.rgAuthAttr = &opus_attribute;
  CERT_BLOB certificate{signer->cbCertEncoded, signer->pbCertEncoded};
  CMSG_SIGNED_ENCODE_INFO signed_info{};
  signed_info.cbSize = sizeof signed_info;
  signed_info.cSigners = 1;
  signed_info.rgSigners = &signer_info;
  signed_info.cCertEncoded = 1;
  signed_info.rgCertEncoded = &certificate;
  HCRYPTMSG message =
      ::CryptMsgOpenToEncode(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, CMSG_SIGNED, &signed_info,
                             const_cast<LPSTR>(SPC_INDIRECT_DATA_OBJID), nullptr);
  ::CryptMsgUpdate(message, content_bytes.data(), static_cast<DWORD>(content_bytes.size()), TRUE);
  DWORD size = 0;
  ::CryptMsgGetParam(message, CMSG_CONTENT_PARAM, 0, nullptr, &size);
  std::vector<BYTE> out(size);
  ::CryptMsgGetParam(message, CMSG_CONTENT_PARAM, 0, out.data(), &size);
  out.resize(size);
  ::CryptMsgClose(message);
  return out;
}

}  // namespace

void WriteUntrustedSignedFile(const std::wstring& path, bool alteredAfterSigning) {
  HCRYPTPROV provider = 0;
  ::CryptAcquireContextW(&provider, kContainer, MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES,
                         CRYPT_DELETEKEYSET);
  ::CryptAcquireContextW(&provider, kContainer, MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES,
                         CRYPT_NEWKEYSET);
  HCRYPTKEY key = 0;
  ::CryptGenKey(provider, AT_SIGNATURE, 2048u << 16, &key);
  std::string image = ReadOwnImage();
  const std::vector<BYTE> digest = ImageHash(provider, image);
  PCCERT_CONTEXT signer = SelfSignedSigner(provider);
  std::vector<BYTE> signature = SignedIndirectData(provider, signer, digest);
  ::CertFreeCertificateContext(signer);
  ::CryptDestroyKey(key);
  ::CryptReleaseContext(provider, 0);
  HCRYPTPROV gone = 0;
  ::CryptAcquireContextW(&gone, kContainer, MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES,
                         CRYPT_DELETEKEYSET);
  // WIN_CERTIFICATE: length, revision 2.0, PKCS#7 signed data, padded to 8 bytes.
  const std::size_t table = image.size();
  const DWORD length = static_cast<DWORD>(8 + signature.size());
  image.append(reinterpret_cast<const char*>(&length), 4);
  image.append("\x00\x02\x02\x00", 4);
  image.append(reinterpret_cast<const char*>(signature.data()), signature.size());
  image.resize((image.size() + 7) & ~std::size_t{7});
  IMAGE_DATA_DIRECTORY* entry = SecurityEntry(image);
  entry->VirtualAddress = static_cast<DWORD>(table);
  entry->Size = static_cast<DWORD>(image.size() - table);
  if (alteredAfterSigning) image[0x50] ^= 1;  // in the DOS stub's message
  WriteWholeFile(path, image);
}

}  // namespace contract
