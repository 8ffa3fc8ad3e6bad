// Windows half of the TLS seam: SChannel through SSPI over the socket seam's non-blocking sockets, so
// every wait still watches the waker. The server's certificate is checked here rather than by SChannel
// (manual validation): the chain against the system's trusted roots and the SSL policy with the host
// name, so that a refusal can say which host and why. Channels live in a fixed pool with their record
// buffers; nothing is allocated after the handshake.
#define SECURITY_WIN32
#include <winsock2.h>
#include <windows.h>
#include <schannel.h>
#include <security.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/name_lookup.h"
#include "platform/secure_channel.h"
#include "platform/win32/wide.h"

namespace {

constexpr int32_t kChannels = 4;
// A TLS record is at most 16 KB of data plus its header, padding and MAC (2 KB is the protocol's bound).
constexpr int32_t kRecordBytes = 16384 + 2048 + 64;
constexpr int32_t kCloseWaitMs = 500;      // close_notify is sent only when the socket takes it this soon
constexpr int32_t kHandshakeRounds = 64;  // handshake steps without new input: far beyond need

struct Channel {
  int32_t used;
  SocketHandle socket;
  CredHandle credentials;
  CtxtHandle context;
  int32_t haveContext;
  SecPkgContext_StreamSizes sizes;
  char in[kRecordBytes];   // received records not yet decrypted
  int32_t inLength;
  char plain[kRecordBytes];  // decrypted bytes not yet handed out
  int32_t plainAt;
  int32_t plainLength;
  char out[kRecordBytes];  // one record being encrypted
};
Channel gChannels[kChannels];
std::mutex gPoolLock;

Channel* Find(SecureChannel channel) {
  if (channel < 1 || channel > kChannels || !gChannels[channel - 1].used) return nullptr;
  return &gChannels[channel - 1];
}

int32_t Left(int64_t deadline) {
  const int64_t left = deadline - NowMs();
  return left > 0 ? static_cast<int32_t>(left) : 0;
}

void SetError(char* error, int32_t size, const char* format, const char* host, unsigned long code = 0) {
  if (size > 0) std::snprintf(error, static_cast<size_t>(size), format, host, code);
}

// The reason a certificate check failed, as the end of "The certificate of HOST is not trusted: ...".
const char* CertificateReason(DWORD error) {
  switch (error) {
    case static_cast<DWORD>(CERT_E_CN_NO_MATCH): return "it was issued for another host";
    case static_cast<DWORD>(CERT_E_UNTRUSTEDROOT):
    case static_cast<DWORD>(CERT_E_UNTRUSTEDTESTROOT): return "it was issued by an authority this system does not trust";
    case static_cast<DWORD>(CERT_E_EXPIRED): return "it has expired or is not yet valid";
    case static_cast<DWORD>(CERT_E_VALIDITYPERIODNESTING): return "its issuer's validity does not cover it";
    case static_cast<DWORD>(CRYPT_E_REVOKED): return "it has been revoked";
    case static_cast<DWORD>(CERT_E_WRONG_USAGE): return "it is not meant for servers";
    case static_cast<DWORD>(TRUST_E_CERT_SIGNATURE): return "its signature is not valid";
    default: return nullptr;
  }
}

// A policy status for what the chain building found wrong, 0 for nothing.
DWORD ChainStatus(DWORD trustErrors) {
  if (trustErrors == CERT_TRUST_NO_ERROR) return 0;
  if (trustErrors & (CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN)) return CERT_E_UNTRUSTEDROOT;
  if (trustErrors & CERT_TRUST_IS_NOT_TIME_VALID) return CERT_E_EXPIRED;
  if (trustErrors & CERT_TRUST_IS_REVOKED) return CRYPT_E_REVOKED;
  if (trustErrors & CERT_TRUST_IS_NOT_SIGNATURE_VALID) return TRUST_E_CERT_SIGNATURE;
  if (trustErrors & CERT_TRUST_IS_NOT_VALID_FOR_USAGE) return CERT_E_WRONG_USAGE;
  // Revocation cannot be checked without the network's lists; that alone is no reason to refuse.
  if ((trustErrors & ~(CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION)) == 0) return 0;
  return CERT_E_CHAINING;
}

// Checks the server's certificate: 1, or 0 with `error` naming the host and the reason.
int32_t CheckCertificate(Channel& c, const char* host, const wchar_t* wideHost, char* error, int32_t errorSize) {
  PCCERT_CONTEXT certificate = nullptr;
  if (QueryContextAttributesW(&c.context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) != SEC_E_OK ||
      certificate == nullptr) {
    SetError(error, errorSize, "The server %s showed no certificate.", host);
    return 0;
  }
  char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
  LPSTR usages[] = {serverAuth};
  CERT_CHAIN_PARA chainPara = {};
  chainPara.cbSize = sizeof chainPara;
  chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
  chainPara.RequestedUsage.Usage.cUsageIdentifier = 1;
  chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  DWORD status = 0;
  if (!CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &chainPara, 0, nullptr,
                               &chain)) {
    status = GetLastError();
  } else {
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl = {};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.pwszServerName = const_cast<wchar_t*>(wideHost);
    CERT_CHAIN_POLICY_PARA policy = {};
    policy.cbSize = sizeof policy;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS result = {};
    result.cbSize = sizeof result;
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &result)) {
      status = GetLastError();
    } else {
      status = result.dwError;
    }
    // The chain's own verdict as well: not every system's SSL policy refuses a chain that ends below any
    // trusted root.
    if (status == 0) status = ChainStatus(chain->TrustStatus.dwErrorStatus);
    CertFreeCertificateChain(chain);
  }
  CertFreeCertificateContext(certificate);
  if (status == 0) return 1;
  if (const char* reason = CertificateReason(status)) {
    if (errorSize > 0) {
      std::snprintf(error, static_cast<size_t>(errorSize), "The certificate of %s is not trusted: %s.", host, reason);
    }
  } else {
    SetError(error, errorSize, "The certificate of %s is not trusted (error 0x%08lX).", host, status);
  }
  return 0;
}

// Sends an output token of the handshake and frees it: true when sent (or empty).
bool SendToken(Channel& c, SecBuffer& token, int64_t deadline, const SocketWaker* waker) {
  bool sent = true;
  if (token.pvBuffer != nullptr && token.cbBuffer > 0) {
    sent = SocketSendAll(c.socket, token.pvBuffer, static_cast<int32_t>(token.cbBuffer), Left(deadline), waker) == 1;
  }
  if (token.pvBuffer != nullptr) FreeContextBuffer(token.pvBuffer);
  token.pvBuffer = nullptr;
  return sent;
}

constexpr DWORD kContextFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                ISC_REQ_EXTENDED_ERROR | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM |
                                ISC_REQ_MANUAL_CRED_VALIDATION;

// Runs the handshake, from its first token on when `first`, else on from what c.in holds: SEC_E_OK, or
// the status that ended it (-1 as a status when the connection failed). Bytes after it stay in c.in.
SECURITY_STATUS Handshake(Channel& c, wchar_t* wideHost, bool first, int64_t deadline, const SocketWaker* waker) {
  bool needInput = !first && c.inLength == 0;
  int32_t rounds = 0;  // calls without new input
  for (;;) {
    if (!needInput && ++rounds > kHandshakeRounds) return SEC_E_INTERNAL_ERROR;  // a handshake without end
    if (needInput) {
      if (c.inLength >= kRecordBytes) return SEC_E_INVALID_TOKEN;
      const int32_t got = SocketReceive(c.socket, c.in + c.inLength, kRecordBytes - c.inLength, Left(deadline), waker);
      if (got <= 0) return -1;
      c.inLength += got;
    }
    SecBuffer inBuffers[2] = {{static_cast<unsigned long>(c.inLength), SECBUFFER_TOKEN, c.in},
                              {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc inDesc = {SECBUFFER_VERSION, 2, inBuffers};
    SecBuffer outBuffers[1] = {{0, SECBUFFER_TOKEN, nullptr}};
    SecBufferDesc outDesc = {SECBUFFER_VERSION, 1, outBuffers};
    ULONG attributes = 0;
    const SECURITY_STATUS status =
        InitializeSecurityContextW(&c.credentials, first ? nullptr : &c.context, wideHost, kContextFlags, 0, 0,
                                   first ? nullptr : &inDesc, 0, &c.context, &outDesc, &attributes, nullptr);
    if (first) c.haveContext = status == SEC_I_CONTINUE_NEEDED || status == SEC_E_OK;
    first = false;
    if (status == SEC_E_INCOMPLETE_MESSAGE) {
      needInput = true;
      continue;
    }
    const bool sent = SendToken(c, outBuffers[0], deadline, waker);  // an alert too, when it failed
    if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED && status != SEC_I_INCOMPLETE_CREDENTIALS) {
      return status;
    }
    if (!sent) return -1;
    if (inBuffers[1].BufferType == SECBUFFER_EXTRA && inBuffers[1].cbBuffer > 0 &&
        inBuffers[1].cbBuffer <= static_cast<unsigned long>(c.inLength)) {
      std::memmove(c.in, c.in + c.inLength - inBuffers[1].cbBuffer, inBuffers[1].cbBuffer);
      c.inLength = static_cast<int32_t>(inBuffers[1].cbBuffer);
    } else if (status != SEC_I_INCOMPLETE_CREDENTIALS) {
      c.inLength = 0;
    }
    if (status == SEC_E_OK) return SEC_E_OK;
    // Without a client certificate the handshake goes on with what it has; otherwise more input is due.
    needInput = status == SEC_I_CONTINUE_NEEDED && c.inLength == 0;
  }
}

void Release(Channel& c) {
  if (c.haveContext) DeleteSecurityContext(&c.context);
  FreeCredentialsHandle(&c.credentials);
  std::lock_guard<std::mutex> lock(gPoolLock);
  c.used = 0;
}

}  // namespace

int32_t SecureChannelSupported() { return 1; }

int32_t SecureChannelOpen(SocketHandle socket, const char* host, int32_t timeoutMs, const SocketWaker* waker,
                          SecureChannel* channel, char* error, int32_t errorSize) {
  *channel = kNoChannel;
  const int64_t deadline = NowMs() + timeoutMs;
  Channel* c = nullptr;
  {
    std::lock_guard<std::mutex> lock(gPoolLock);
    for (int32_t i = 0; i < kChannels && c == nullptr; ++i) {
      if (!gChannels[i].used) {
        c = &gChannels[i];
        c->used = 1;
        *channel = i + 1;
      }
    }
  }
  if (c == nullptr) {
    SetError(error, errorSize, "Too many secure connections are open to reach %s.", host);
    return -1;
  }
  c->socket = socket;
  c->haveContext = 0;
  c->inLength = c->plainAt = c->plainLength = 0;
  SCHANNEL_CRED settings = {};
  settings.dwVersion = SCHANNEL_CRED_VERSION;
  settings.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
  wchar_t package[] = UNISP_NAME_W;
  if (AcquireCredentialsHandleW(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, &settings, nullptr, nullptr,
                                &c->credentials, nullptr) != SEC_E_OK) {
    std::lock_guard<std::mutex> lock(gPoolLock);
    c->used = 0;
    *channel = kNoChannel;
    SetError(error, errorSize, "Secure connections are not available on this system (to %s).", host);
    return 0;
  }
  std::wstring wideHost = WideFromUtf8(host);
  const SECURITY_STATUS status = Handshake(*c, &wideHost[0], true, deadline, waker);
  int32_t result = 1;
  if (status == -1) {
    SetError(error, errorSize, "The secure connection to %s was lost.", host);
    result = -1;
  } else if (status != SEC_E_OK) {
    SetError(error, errorSize, "The secure connection to %s failed (error 0x%08lX).", host,
             static_cast<unsigned long>(status));
    result = 0;
  } else if (QueryContextAttributesW(&c->context, SECPKG_ATTR_STREAM_SIZES, &c->sizes) != SEC_E_OK ||
             c->sizes.cbHeader + c->sizes.cbMaximumMessage + c->sizes.cbTrailer > static_cast<unsigned long>(kRecordBytes)) {
    SetError(error, errorSize, "The secure connection to %s uses records this player cannot take.", host);
    result = 0;
  } else {
    result = CheckCertificate(*c, host, wideHost.c_str(), error, errorSize);
  }
  if (result != 1) {
    Release(*c);
    *channel = kNoChannel;
  }
  return result;
}

int32_t SecureChannelSendAll(SecureChannel channel, const void* data, int32_t count, int32_t timeoutMs,
                             const SocketWaker* waker) {
  Channel* c = Find(channel);
  if (c == nullptr) return 0;
  const int64_t deadline = NowMs() + timeoutMs;
  const char* bytes = static_cast<const char*>(data);
  while (count > 0) {
    int32_t n = count;
    if (n > static_cast<int32_t>(c->sizes.cbMaximumMessage)) n = static_cast<int32_t>(c->sizes.cbMaximumMessage);
    std::memcpy(c->out + c->sizes.cbHeader, bytes, static_cast<size_t>(n));
    SecBuffer buffers[4] = {{c->sizes.cbHeader, SECBUFFER_STREAM_HEADER, c->out},
                            {static_cast<unsigned long>(n), SECBUFFER_DATA, c->out + c->sizes.cbHeader},
                            {c->sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, c->out + c->sizes.cbHeader + n},
                            {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
    if (EncryptMessage(&c->context, 0, &desc, 0) != SEC_E_OK) return 0;
    const int32_t total = static_cast<int32_t>(buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer);
    if (!SocketSendAll(c->socket, c->out, total, Left(deadline), waker)) return 0;
    bytes += n;
    count -= n;
  }
  return 1;
}

int32_t SecureChannelReceive(SecureChannel channel, void* buffer, int32_t count, int32_t timeoutMs,
                             const SocketWaker* waker) {
  Channel* c = Find(channel);
  if (c == nullptr || count <= 0) return -1;
  const int64_t deadline = NowMs() + timeoutMs;
  for (;;) {
    if (c->plainAt < c->plainLength) {
      int32_t n = c->plainLength - c->plainAt;
      if (n > count) n = count;
      std::memcpy(buffer, c->plain + c->plainAt, static_cast<size_t>(n));
      c->plainAt += n;
      return n;
    }
    if (c->inLength > 0) {
      SecBuffer buffers[4] = {{static_cast<unsigned long>(c->inLength), SECBUFFER_DATA, c->in},
                              {0, SECBUFFER_EMPTY, nullptr},
                              {0, SECBUFFER_EMPTY, nullptr},
                              {0, SECBUFFER_EMPTY, nullptr}};
      SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
      const SECURITY_STATUS status = DecryptMessage(&c->context, &desc, 0, nullptr);
      if (status == SEC_I_CONTEXT_EXPIRED) return 0;  // the server's close_notify
      if (status == SEC_E_OK || status == SEC_I_RENEGOTIATE) {
        c->plainAt = c->plainLength = 0;
        SecBuffer* extra = nullptr;
        for (SecBuffer& b : buffers) {
          if (b.BufferType == SECBUFFER_DATA && b.cbBuffer > 0 && b.cbBuffer <= static_cast<unsigned long>(kRecordBytes)) {
            std::memcpy(c->plain, b.pvBuffer, b.cbBuffer);
            c->plainLength = static_cast<int32_t>(b.cbBuffer);
          }
          if (b.BufferType == SECBUFFER_EXTRA && b.cbBuffer <= static_cast<unsigned long>(c->inLength)) extra = &b;
        }
        const int32_t kept = extra != nullptr ? static_cast<int32_t>(extra->cbBuffer) : 0;
        std::memmove(c->in, c->in + c->inLength - kept, static_cast<size_t>(kept));
        c->inLength = kept;
        // A handshake message after the handshake (a session ticket, a key update) goes to the context.
        if (status == SEC_I_RENEGOTIATE && Handshake(*c, nullptr, false, deadline, waker) != SEC_E_OK) return -1;
        continue;
      }
      if (status != SEC_E_INCOMPLETE_MESSAGE) return -1;
    }
    if (c->inLength >= kRecordBytes) return -1;  // a record beyond the protocol's bound
    const int32_t got = SocketReceive(c->socket, c->in + c->inLength, kRecordBytes - c->inLength, Left(deadline), waker);
    if (got <= 0) return got;
    c->inLength += got;
  }
}

void SecureChannelClose(SecureChannel channel, const SocketWaker* waker) {
  Channel* c = Find(channel);
  if (c == nullptr) return;
  DWORD shutdown = SCHANNEL_SHUTDOWN;
  SecBuffer control = {sizeof shutdown, SECBUFFER_TOKEN, &shutdown};
  SecBufferDesc controlDesc = {SECBUFFER_VERSION, 1, &control};
  if (ApplyControlToken(&c->context, &controlDesc) == SEC_E_OK) {
    SecBuffer outBuffers[1] = {{0, SECBUFFER_TOKEN, nullptr}};
    SecBufferDesc outDesc = {SECBUFFER_VERSION, 1, outBuffers};
    ULONG attributes = 0;
    InitializeSecurityContextW(&c->credentials, &c->context, nullptr, kContextFlags, 0, 0, nullptr, 0, &c->context,
                               &outDesc, &attributes, nullptr);
    SendToken(*c, outBuffers[0], NowMs() + kCloseWaitMs, waker);
  }
  Release(*c);
}
