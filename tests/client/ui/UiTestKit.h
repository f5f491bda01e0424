#pragma once

// What every test of the client's windows does first: the forms' images, the
// stand-in faces, and Qt warnings as failures. Call from initTestCase().
namespace UiTestKit {

void prepare();

} // namespace UiTestKit
