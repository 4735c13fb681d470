# The hosts a release refuses, and the ones it takes: each case a host, "|"
# and whether a user's computer could reach it.
#   cmake -DSOURCE_DIR=<source> -P ServableHostTest.cmake
cmake_minimum_required(VERSION 3.25)
include(${SOURCE_DIR}/cmake/ServableHost.cmake)
set(cases
  "127.0.0.1|refused" "127.1.2.3:8080|refused" "localhost|refused" "LocalHost.|refused"
  "weather.localhost|refused" "::1|refused" "[::1]:80|refused" "0.0.0.0|refused" "::|refused"
  "10.0.0.5|refused" "172.16.0.1|refused" "172.31.255.255:81|refused" "192.168.1.20|refused"
  "100.64.0.1|refused" "169.254.10.10|refused" "fd12:3456::1|refused" "[fe80::1]:80|refused"
  "example.com|refused" "weather.example.com|refused" "EXAMPLE.ORG|refused"
  "api.example.net:8080|refused" "service.test|refused" "a.invalid|refused" "|refused"
  "weather.qingyu.cn|served" "8.8.8.8|served" "172.32.0.1|served" "172.15.0.1|served"
  "192.169.0.1|served" "100.128.0.1|served" "11.0.0.1|served" "203.0.114.7:8080|served"
  "2001:4860:4860::8888|served" "[2400:3200::1]:80|served" "myexample.com|served"
  "example.com.cn|served" "localhost.cn|served" "testing.cn|served")
set(failures 0)
foreach(case IN LISTS cases)
  string(REGEX MATCH "^(.*)\\|(refused|served)$" matched "${case}")
  set(host "${CMAKE_MATCH_1}")
  set(expected "${CMAKE_MATCH_2}")
  weather_unservable_host("${host}" reason)
  if(reason)
    set(got refused)
  else()
    set(got served)
  endif()
  if(NOT got STREQUAL expected)
    message(SEND_ERROR "'${host}': ${got} (${reason}), expected ${expected}")
    math(EXPR failures "${failures} + 1")
  endif()
endforeach()
list(LENGTH cases count)
message(STATUS "${count} hosts checked, ${failures} wrong")
