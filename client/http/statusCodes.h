#pragma once

namespace http {

constexpr int HTTP_CONTINUE = 100;
constexpr int HTTP_SWITCHING_PROTOCOLS = 101;
constexpr int HTTP_OK = 200;
constexpr int HTTP_CREATED = 201;
constexpr int HTTP_ACCEPTED = 202;
constexpr int HTTP_NON_AUTHORITATIVE_INFORMATION = 203;
constexpr int HTTP_NO_CONTENT = 204;
constexpr int HTTP_RESET_CONTENT = 205;
constexpr int HTTP_PARTIAL_CONTENT = 206;
constexpr int HTTP_MULTIPLE_CHOICES = 300;
constexpr int HTTP_MOVED_PERMANENTLY = 301;
constexpr int HTTP_FOUND = 302;
constexpr int HTTP_SEE_OTHER = 303;
constexpr int HTTP_NOT_MODIFIED = 304;
constexpr int HTTP_USE_PROXY = 305;
constexpr int HTTP_TEMPORARY_REDIRECT = 307;
constexpr int HTTP_BAD_REQUEST = 400;
constexpr int HTTP_UNAUTHORIZED = 401;
constexpr int HTTP_PAYMENT_REQUIRED = 402;
constexpr int HTTP_FORBIDDEN = 403;
constexpr int HTTP_NOT_FOUND = 404;
constexpr int HTTP_METHOD_NOT_ALLOWED = 405;
constexpr int HTTP_NOT_ACCEPTABLE = 406;
constexpr int HTTP_PROXY_AUTHENTICATION_REQUIRED = 407;
constexpr int HTTP_REQUEST_TIMEOUT = 408;
constexpr int HTTP_CONFLICT = 409;
constexpr int HTTP_GONE = 410;
constexpr int HTTP_LENGTH_REQUIRED = 411;
constexpr int HTTP_PRECONDITION_FAILED = 412;
constexpr int HTTP_REQUEST_ENTITY_TOO_LARGE = 413;
constexpr int HTTP_REQUEST_URI_TOO_LARGE = 414;
constexpr int HTTP_UNSUPPORTED_MEDIA_TYPE = 415;
constexpr int HTTP_REQUESTED_RANGE_NOT_SATISFIABLE = 416;
constexpr int HTTP_EXPECTATION_FAILED = 417;
constexpr int HTTP_INTERNAL_SERVER_ERROR = 500;
constexpr int HTTP_NOT_IMPLEMENTED = 501;
constexpr int HTTP_BAD_GATEWAY = 502;
constexpr int HTTP_SERVICE_UNAVAILABLE = 503;
constexpr int HTTP_GATEWAY_TIMEOUT = 504;
constexpr int HTTP_VERSION_NOT_SUPPORTED = 505;

} // namespace http
